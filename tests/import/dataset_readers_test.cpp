// The readers on small hand-written recordings with known answers, and what they
// write read back by the viewers' own readers.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "data/pose_track.h"
#include "data/traj_format.h"
#include "data/traj_store.h"
#include "data/trajcolset.h"
#include "import/dataset_import.h"
#include "import/fcd_reader.h"
#include "import/scene_builder.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::TempFolder;

// The samples of a TRAJ text by trajectory id, in file order.
std::map<int32_t, std::vector<TrajSample>> traj_blocks(const std::string& text) {
    std::map<int32_t, std::vector<TrajSample>> out;
    int32_t id = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t nl = text.find('\n', pos);
        const std::string_view line(text.data() + pos, nl - pos);
        pos = nl + 1;
        if (classify_traj_line(line) == TrajLineKind::Header) {
            id = traj_header_id(line);
            EXPECT_EQ(out.count(id), 0u) << "two blocks of " << id;
            out[id];
        } else if (classify_traj_line(line) == TrajLineKind::Data) {
            TrajSample s;
            EXPECT_EQ(parse_traj_sample(line, s), kTrajFieldCount) << line;
            out[id].push_back(s);
        }
    }
    return out;
}

std::vector<PoseRecord> nav_poses(const std::string& text) {
    std::vector<PoseRecord> poses;
    int32_t count = 0;
    uint64_t lines = 0;
    EXPECT_EQ(read_pose_text(text, true, poses, count, lines), PoseReadStatus::Ok);
    poses.resize(static_cast<size_t>(count));
    return poses;
}

const char kHighdHeader[] =
    "frame,id,x,y,width,height,xVelocity,yVelocity,xAcceleration,yAcceleration,"
    "frontSightDistance,backSightDistance,dhw,thw,ttc,precedingXVelocity,precedingId,"
    "followingId,leftPrecedingId,leftAlongsideId,leftFollowingId,rightPrecedingId,"
    "rightAlongsideId,rightFollowingId,laneId\n";

// One highD row: frame, id, box, velocity, neighbours and lane.
std::string highd_row(int frame, int id, double x, double y, double w, double h, double vx,
                      double vy, int preceding = 0, int following = 0, int left_lead = 0,
                      int left_lag = 0, int right_lead = 0, int right_lag = 0, int lane = 2) {
    char buf[400];
    std::snprintf(buf, sizeof buf,
                  "%d,%d,%g,%g,%g,%g,%g,%g,0,0,0,0,0,0,0,0,%d,%d,%d,0,%d,%d,0,%d,%d\n", frame, id,
                  x, y, w, h, vx, vy, preceding, following, left_lead, left_lag, right_lead,
                  right_lag, lane);
    return buf;
}

class HighdReader : public ::testing::Test {
  protected:
    void write_meta(const std::string& tracks_meta) {
        dir.write("01_recordingMeta.csv", "id,frameRate,locationId,startTime\n1,25,2,08:30\n");
        dir.write("01_tracksMeta.csv", tracks_meta);
    }
    TempFolder dir;
};

TEST_F(HighdReader, BoxCornerBecomesCentreWithTheYAxisFlipped) {
    write_meta(
        "id,width,height,initialFrame,finalFrame,numFrames,class,drivingDirection\n"
        "1,4,2,1,2,2,Car,2\n2,12,2.5,1,2,2,Truck,2\n");
    // A byte-order mark, CRLF line ends and columns in another order than usual.
    const std::string tracks =
        "\xEF\xBB\xBF" + std::string(kHighdHeader) + highd_row(1, 1, 10, 20, 4, 2, 30, 0, 2) +
        highd_row(2, 1, 11.2, 20, 4, 2, 30, 0, 2) + highd_row(1, 2, 40, 16, 12, 2.5, 20, 0) +
        highd_row(2, 2, 40.8, 16, 12, 2.5, 20, 0);
    std::string crlf;
    for (char c : tracks) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string path = dir.write("01_tracks.csv", crlf);

    EgoScene scene;
    std::string error;
    ASSERT_TRUE(import_ego_scene(path, "1", {}, scene, error)) << error;
    EXPECT_TRUE(scene.warnings.empty());
    const auto poses = nav_poses(scene.nav_text);
    ASSERT_EQ(poses.size(), 2u);
    // Centre (x + width/2, -(y + height/2)); heading towards +x.
    EXPECT_DOUBLE_EQ(poses[0].x, 12);
    EXPECT_DOUBLE_EQ(poses[0].y, -21);
    EXPECT_NEAR(poses[0].heading, -M_PI / 2, 1e-6);
    EXPECT_DOUBLE_EQ(poses[0].aux1, 30);                         // speed
    EXPECT_EQ(poses[0].time_ms, 8 * 3600000 + 30 * 60000 + 40);  // 08:30 + frame 1 at 25 fps
    EXPECT_EQ(poses[1].time_ms, 8 * 3600000 + 30 * 60000 + 80);

    const auto blocks = traj_blocks(scene.traj_text);
    ASSERT_EQ(blocks.size(), 1u);
    const TrajSample& t = blocks.at(2)[0];
    EXPECT_EQ(t.frame, 1);
    const double want[] = {46, -17.25, 12, 2.5, 1, 0, -3.75, 34, 0, 1, 20};
    for (int i = 0; i < kTrajRealCount; ++i) EXPECT_NEAR(t.reals[i], want[i], 1e-9) << i;
    EXPECT_EQ(scene.roles.front, 2);
    EXPECT_EQ(scene.ego.vclass, "Car");
}

TEST_F(HighdReader, HeadingFollowsTheRulesWhereTheVehicleIsSlow) {
    write_meta(
        "id,width,height,initialFrame,finalFrame,numFrames,class,drivingDirection\n"
        "1,4,2,1,5,5,Car,2\n2,4,2,1,5,5,Car,1\n3,4,2,1,5,5,Car,2\n");
    std::string text = kHighdHeader;
    // Vehicle 1 is the ego: straight along +x.
    for (int f = 1; f <= 5; ++f) text += highd_row(f, 1, f, 20, 4, 2, 25, 0);
    // Vehicle 2: slow at first (takes its first later direction, image-down = world -y),
    // then fast, then slow again (keeps the last direction).
    const double vy2[] = {0.1, 0.2, 5, 0.3, 0};
    const double vx2[] = {0, 0, 0, 0.2, 0};
    for (int f = 1; f <= 5; ++f) text += highd_row(f, 2, 50, 30, 4, 2, vx2[f - 1], vy2[f - 1]);
    // Vehicle 3 never moves: its driving direction (2: +x).
    for (int f = 1; f <= 5; ++f) text += highd_row(f, 3, 80, 30, 4, 2, 0.1, 0.1);
    const std::string path = dir.write("01_tracks.csv", text);

    EgoScene scene;
    std::string error;
    ASSERT_TRUE(import_ego_scene(path, "1", {}, scene, error)) << error;
    const auto blocks = traj_blocks(scene.traj_text);
    for (const TrajSample& s : blocks.at(2)) {
        EXPECT_NEAR(s.reals[4], 0, 1e-9) << s.frame;
        EXPECT_NEAR(s.reals[5], -1, 1e-9) << s.frame;
    }
    for (const TrajSample& s : blocks.at(3)) {
        EXPECT_NEAR(s.reals[4], 1, 1e-9);
        EXPECT_NEAR(s.reals[5], 0, 1e-9);
    }
}

TEST_F(HighdReader, VehicleLeavingAndComingBackKeepsOneBlockAtTheEgosFrames) {
    write_meta("id,class,drivingDirection\n1,Car,2\n2,Car,2\n");
    std::string text = kHighdHeader;
    for (int f = 1; f <= 6; ++f) text += highd_row(f, 1, f, 20, 4, 2, 25, 0);
    for (int f : {2, 1, 5, 6, 9}) text += highd_row(f, 2, 30 + f, 20, 4, 2, 25, 0);
    const std::string path = dir.write("01_tracks.csv", text);

    EgoScene scene;
    std::string error;
    ASSERT_TRUE(import_ego_scene(path, "1", {}, scene, error)) << error;
    const auto blocks = traj_blocks(scene.traj_text);
    std::vector<int32_t> frames;
    for (const TrajSample& s : blocks.at(2)) frames.push_back(s.frame);
    EXPECT_EQ(frames, (std::vector<int32_t>{1, 2, 5, 6}));
    EXPECT_EQ(scene.samples, 4);

    // The viewer's store takes the file as it is.
    TrajStore store;
    ASSERT_EQ(read_traj_text(scene.traj_text, store), TrajReadStatus::Ok);
    EXPECT_EQ(store.entry_count, 1);
}

TEST_F(HighdReader, LaneChangeGivesLeadAndLagOfTheTargetLane) {
    write_meta("id,class,drivingDirection\n1,Car,2\n");
    std::string text = kHighdHeader;
    // Driving towards +x, moving up the image (world +y: to the left) into lane 3.
    for (int f = 1; f <= 6; ++f)
        text += highd_row(f, 1, f * 1.0, 20 - f * 0.5, 4, 2, 25, -1, 7, 8, 11, 12, 21, 22,
                          f <= 3 ? 2 : 3);
    const std::string path = dir.write("01_tracks.csv", text);
    EgoScene scene;
    std::string error;
    ASSERT_TRUE(import_ego_scene(path, "1", {}, scene, error)) << error;
    EXPECT_EQ(scene.roles.front, 7);
    EXPECT_EQ(scene.roles.rear, 8);
    EXPECT_EQ(scene.roles.lead, 11);
    EXPECT_EQ(scene.roles.lag, 12);
    RoleColours colours{};
    apply_role_colour_text(scene.roles_text, colours);
    EXPECT_EQ(colours.leadid, 11);
    EXPECT_EQ(colours.trajcolseton, 1);
    EXPECT_EQ(colours.egocol, default_role_colours().egocol);
}

TEST_F(HighdReader, MissingMetaFilesMeanTwentyFiveFramesFromMidnight) {
    std::string text = kHighdHeader;
    text += highd_row(50, 1, 0, 0, 4, 2, 25, 0);
    const std::string path = dir.write("07_tracks.csv", text);
    DatasetListing listing;
    std::string error;
    ASSERT_TRUE(list_dataset(path, {}, listing, error)) << error;
    ASSERT_EQ(listing.vehicles.size(), 1u);
    EXPECT_EQ(listing.vehicles[0].first_time_ms, 2000);
    ASSERT_EQ(listing.warnings.size(), 2u);
    EXPECT_NE(listing.warnings[0].find("07_recordingMeta.csv"), std::string::npos);
}

TEST_F(HighdReader, FailuresNameTheFileTheLineAndTheColumn) {
    struct Case {
        std::string text;
        std::string message;
    } cases[] = {
        {"frame,id,x,y,width,height,xVelocity\n1,1,0,0,4,2,5\n", "no column yVelocity"},
        {std::string(kHighdHeader) + highd_row(1, 1, 0, 0, 4, 2, 5, 0) +
             "2,1,abc,0,4,2,5,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,2\n",
         ":3: column x: \"abc\" is not a number"},
        {std::string(kHighdHeader) + "1,1,0,0\n", ":2: the row has 4 fields, no column width"},
        {std::string(kHighdHeader) + highd_row(1, 1, 0, 0, 4, 2, 5, 0) +
             highd_row(1, 1, 0, 0, 4, 2, 5, 0).replace(0, 1, "nan"),
         ":3: column frame"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.write("01_tracks.csv", c.text);
        EgoScene scene;
        std::string error;
        EXPECT_FALSE(import_ego_scene(path, "1", {}, scene, error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    EgoScene scene;
    std::string error;
    const std::string path =
        dir.write("01_tracks.csv", std::string(kHighdHeader) + highd_row(1, 1, 0, 0, 4, 2, 5, 0));
    EXPECT_FALSE(import_ego_scene(path, "9", {}, scene, error));
    EXPECT_NE(error.find("no vehicle 9"), std::string::npos) << error;
}

TEST(HeadingRule, SlowSamplesTakeTheLastOrTheFirstLaterDirection) {
    struct Case {
        std::vector<std::pair<double, double>> motion;
        std::vector<std::pair<double, double>> heading;
    } cases[] = {
        {{{0, 0.4}, {3, 0}, {0, 0.2}, {0, -2}}, {{1, 0}, {1, 0}, {1, 0}, {0, -1}}},
        {{{0, 0}, {0, 0.5}}, {{-1, 0}, {-1, 0}}},  // 0.5 is not faster: the fallback
        {{{0, 0.51}}, {{0, 1}}},
    };
    for (const Case& c : cases) {
        std::vector<TrackSample> s(c.motion.size());
        for (size_t i = 0; i < s.size(); ++i)
            s[i].mx = c.motion[i].first, s[i].my = c.motion[i].second;
        resolve_headings(s, -1, 0);
        for (size_t i = 0; i < s.size(); ++i) {
            EXPECT_NEAR(s[i].fx, c.heading[i].first, 1e-12) << i;
            EXPECT_NEAR(s[i].fy, c.heading[i].second, 1e-12) << i;
        }
    }
}

TEST(IndReader, CentresHeadingsAndSizesOfRoadUsersWithout) {
    TempFolder dir;
    dir.write("00_recordingMeta.csv", "recordingId,locationId,frameRate,startTime\n0,1,25,8\n");
    dir.write("00_tracksMeta.csv",
              "recordingId,trackId,initialFrame,finalFrame,numFrames,width,length,class\n"
              "0,0,0,1,2,1.9,4.5,car\n0,1,0,1,2,0,0,pedestrian\n0,2,0,1,2,0,0,bicycle\n");
    const std::string path =
        dir.write("00_tracks.csv",
                  "recordingId,trackId,frame,trackLifetime,xCenter,yCenter,heading,width,length,"
                  "xVelocity,yVelocity,xAcceleration,yAcceleration,lonVelocity,latVelocity\n"
                  "0,0,0,0,10,-20,90,1.9,4.5,0,8,0,0,8,0\n"
                  "0,0,1,1,10,-19.68,90,1.9,4.5,0,8,0,0,8,0\n"
                  "0,1,0,0,13,-10,180,0,0,-1,0,0,0,1,0\n"
                  "0,1,1,1,12.96,-10,180,0,0,-1,0,0,0,1,0\n"
                  "0,2,0,0,10,0,45,0,0,3,3,0,0,4,0\n");
    EgoScene scene;
    std::string error;
    ASSERT_TRUE(import_ego_scene(path, "0", {}, scene, error)) << error;
    const auto poses = nav_poses(scene.nav_text);
    ASSERT_EQ(poses.size(), 2u);
    EXPECT_NEAR(poses[0].heading, 0, 1e-9);  // heading 90 degrees: +y, pose heading 0
    EXPECT_EQ(poses[0].time_ms, 8 * 3600000);
    const auto blocks = traj_blocks(scene.traj_text);
    const TrajSample& p = blocks.at(1)[0];
    const double want[] = {13, -10, 0.6, 0.6, -1, 0, 3, 10, -1, 0, 1};
    for (int i = 0; i < kTrajRealCount; ++i) EXPECT_NEAR(p.reals[i], want[i], 1e-3) << i;
    const TrajSample& b = blocks.at(2)[0];
    EXPECT_NEAR(b.reals[2], 1.8, 1e-9);
    EXPECT_NEAR(b.reals[3], 0.6, 1e-9);
    EXPECT_EQ(scene.substituted_sizes, 2);

    DatasetListing listing;
    ASSERT_TRUE(list_dataset(path, {}, listing, error)) << error;
    EXPECT_EQ(listing.format, DatasetFormat::InD);
    EXPECT_EQ(listing.vehicles[1].vclass, "pedestrian");
    EXPECT_DOUBLE_EQ(listing.vehicles[1].length, 0.6);
}

TEST(NgsimReader, FeetFrontCentreAndHeadingFromMotion) {
    TempFolder dir;
    const std::string header =
        "Vehicle_ID,Frame_ID,Total_Frames,Global_Time,Local_X,Local_Y,Global_X,Global_Y,"
        "v_length,v_Width,v_Class,v_Vel,v_Acc,Lane_ID,Preceding,Following,Space_Headway,"
        "Time_Headway\n";
    // 1118846980200 ms is 14:49:40.200 UTC. Vehicle 5 drives along +y at 30 ft/s
    // (3 ft a frame); vehicle 6 drives along +x then stands still.
    std::string text = header;
    for (int f = 0; f < 3; ++f) {
        text += "5," + std::to_string(100 + f) + ",3," + std::to_string(1118846980200 + f * 100) +
                ",10," + std::to_string(200 + 3 * f) + ",0,0,15,6,2,30,0,2,6,0,0,0\n";
    }
    for (int f = 0; f < 3; ++f) {
        text += "6," + std::to_string(100 + f) + ",3," + std::to_string(1118846980200 + f * 100) +
                "," + std::to_string(f < 2 ? 20 + 2 * f : 22) + ",300,0,0,10,5,1,20,0,3,0,5,0,0\n";
    }
    const std::string path = dir.write("trajectories-0400-0415.csv", text);
    DatasetFormat format;
    std::string error;
    ASSERT_TRUE(guess_dataset_format(path, format, error)) << error;
    EXPECT_EQ(format, DatasetFormat::Ngsim);

    EgoScene scene;
    ASSERT_TRUE(import_ego_scene(path, "5", {}, scene, error)) << error;
    const auto poses = nav_poses(scene.nav_text);
    ASSERT_EQ(poses.size(), 3u);
    EXPECT_EQ(poses[0].time_ms, (14 * 3600 + 49 * 60 + 40) * 1000 + 200);
    EXPECT_NEAR(poses[0].x, 3.048, 1e-9);
    EXPECT_NEAR(poses[0].y, 200 * 0.3048 - 15 * 0.3048 / 2, 1e-3);
    EXPECT_NEAR(poses[0].heading, 0, 1e-6);
    EXPECT_NEAR(poses[0].aux1, 30 * 0.3048, 1e-3);
    EXPECT_EQ(scene.roles.front, 6);

    const auto blocks = traj_blocks(scene.traj_text);
    ASSERT_EQ(blocks.at(6).size(), 3u);
    for (const TrajSample& s : blocks.at(6)) {
        EXPECT_NEAR(s.reals[4], 1, 1e-3) << s.frame;  // standing still keeps the last direction
        EXPECT_NEAR(s.reals[2], 10 * 0.3048, 1e-3);
        EXPECT_NEAR(s.reals[3], 5 * 0.3048, 1e-3);
    }
    EXPECT_NEAR(blocks.at(6)[0].reals[0], 20 * 0.3048 - 10 * 0.3048 / 2, 1e-3);
}

// FCD through the streaming reader, from text.
XmlSource text_source(const std::string& text) {
    return [text](XmlHandler& h, std::string& error) {
        return stream_xml_text(text, "run.fcd.xml", h, error);
    };
}

TEST(FcdReader, FrontBumperAngleStringIdsAndTypes) {
    const std::string fcd =
        "<?xml version=\"1.0\"?>\n<fcd-export>\n"
        "  <timestep time=\"0.00\">\n"
        "    <vehicle id=\"truck.0\" x=\"100\" y=\"50\" angle=\"90\" type=\"lorry\" "
        "speed=\"10\"/>\n"
        "  </timestep>\n"
        "  <timestep time=\"0.50\">\n"
        "    <vehicle id=\"truck.0\" x=\"105\" y=\"50\" angle=\"90\" type=\"lorry\" "
        "speed=\"10\"/>\n"
        "    <vehicle id=\"car\" x=\"120\" y=\"50\" angle=\"0\" type=\"unknown\" speed=\"3\"/>\n"
        "  </timestep>\n"
        "  <timestep time=\"1.0\">\n"
        "    <vehicle id=\"car\" x=\"120\" y=\"51\" angle=\"0\" type=\"unknown\" speed=\"3\"/>\n"
        "  </timestep>\n</fcd-export>\n";
    VehicleTypes types;
    std::string error;
    ASSERT_TRUE(read_vehicle_types(
        text_source("<routes><vType id=\"lorry\" length=\"12\" width=\"2.5\"/></routes>"), types,
        error))
        << error;
    ImportOptions options;
    options.time_offset_ms = 1000;
    DatasetListing listing;
    ASSERT_TRUE(list_fcd(text_source(fcd), "run.fcd.xml", types, options, listing, error)) << error;
    ASSERT_EQ(listing.vehicles.size(), 2u);
    EXPECT_EQ(listing.vehicles[0].name, "truck.0");
    EXPECT_EQ(listing.vehicles[1].id, 2);
    EXPECT_EQ(listing.vehicles[1].first_frame, 1);
    EXPECT_EQ(listing.vehicles[1].last_time_ms, 2000);
    EXPECT_DOUBLE_EQ(listing.vehicles[1].length, 5.0);  // unknown type: the default size

    VehicleTrack ego;
    std::vector<VehicleTrack> others;
    ASSERT_TRUE(load_fcd_scene(text_source(fcd), "run.fcd.xml", types, options, "truck.0", ego,
                               others, error))
        << error;
    ASSERT_EQ(ego.samples.size(), 2u);
    EXPECT_DOUBLE_EQ(ego.samples[0].x, 94);  // 6 m behind the front bumper, heading east
    EXPECT_NEAR(ego.samples[0].fx, 1, 1e-12);
    EXPECT_EQ(ego.samples[1].time_ms, 1500);
    EgoScene scene;
    ASSERT_TRUE(build_ego_scene(ego, others, options, scene, error)) << error;
    const auto blocks = traj_blocks(scene.traj_text);
    ASSERT_EQ(blocks.size(), 1u);
    const TrajSample& c = blocks.at(2)[0];
    EXPECT_EQ(c.frame, 1);
    const double want[] = {120, 47.5, 5, 1.8, 0, 1, 2.5, 21, -1, 0, 3};
    for (int i = 0; i < kTrajRealCount; ++i) EXPECT_NEAR(c.reals[i], want[i], 1e-9) << i;
}

TEST(FcdReader, BrokenFilesFailWithTheirLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"<routes/>", "run.fcd.xml:1: the root element <routes> is not <fcd-export>"},
        {"<fcd-export>\n<timestep time=\"0\">\n<vehicle id=\"a\" x=\"1\" angle=\"0\"/>",
         "run.fcd.xml:3: <vehicle id=\"a\">: attribute y"},
        {"<fcd-export>\n<timestep time=\"x\"/>", "run.fcd.xml:2: <timestep> without a time"},
        {"<fcd-export>\n<timestep time=\"0\">\n</fcd-export>", "run.fcd.xml:3:"},
    };
    for (const auto& [text, message] : cases) {
        DatasetListing listing;
        std::string error;
        EXPECT_FALSE(list_fcd(text_source(text), "run.fcd.xml", {}, {}, listing, error));
        EXPECT_EQ(error.rfind(message, 0), 0u) << error;
    }
}

TEST(SceneBuilder, TimeWindowRadiusAndOffsetOutOfRange) {
    VehicleTrack ego, other;
    ego.info.id = 1, ego.info.name = "1";
    other.info.id = 2;
    for (int f = 0; f < 4; ++f) {
        TrackSample s;
        s.frame = f;
        s.time_ms = 1000 + 100 * f;
        ego.samples.push_back(s);
        s.x = f * 10.0;  // 0, 10, 20, 30 m away
        other.samples.push_back(s);
    }
    ImportOptions options;
    options.has_from = true, options.from_ms = 1100;
    options.radius = 20;
    EgoScene scene;
    std::string error;
    ASSERT_TRUE(build_ego_scene(ego, {other}, options, scene, error)) << error;
    EXPECT_EQ(nav_poses(scene.nav_text).size(), 3u);
    EXPECT_EQ(scene.samples, 2);  // frames 1 and 2; frame 3 lies 30 m away
    ego.samples[0].time_ms = -5;
    EXPECT_FALSE(build_ego_scene(ego, {other}, {}, scene, error));
    EXPECT_NE(error.find("--time-offset"), std::string::npos);
}

}  // namespace
