// Opening a public traffic recording in the viewer: the scene loaded in memory is
// the scene of the files scene-import writes, the vehicle list dialog as a user
// drives it, and the command line with and without --ego-id.
#include "viewer/dataset_open.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "data/atomic_file.h"
#include "import/dataset_import.h"
#include "render/role_colours.h"
#include "tests/shell/window/shell_fixture.h"
#include "tests/support/main_run.h"
#include "tests/support/temp_folder.h"
#include "viewer/plovane_cli.h"

namespace {

using namespace shell_test;
using test_support::TempFolder;

test_support::MainRun run_plovane(std::vector<std::string> args) {
    return test_support::run_main(plovane_cli_main, "plovane", std::move(args));
}

// A highD-style recording at 25 frames per second from 10:00: car 1 (60 frames),
// truck 2 ahead of it (50), car 3 in the next lane (55) and car 4 that lives
// longest (80 frames) but far behind.
std::string write_highd(TempFolder& dir) {
    dir.write("03_recordingMeta.csv", "id,frameRate,startTime\n3,25,10:00\n");
    dir.write("03_tracksMeta.csv",
              "id,class,drivingDirection\n1,Car,2\n2,Truck,2\n3,Car,2\n4,Car,2\n");
    std::string t =
        "frame,id,x,y,width,height,xVelocity,yVelocity,precedingId,followingId,laneId\n";
    auto row = [&t](int frame, int id, double x, double y, double len, double w, double vx, int pre,
                    int fol, int lane) {
        char line[160];
        std::snprintf(line, sizeof line, "%d,%d,%.2f,%.2f,%.2f,%.2f,%.2f,0,%d,%d,%d\n", frame, id,
                      x, y, len, w, vx, pre, fol, lane);
        t += line;
    };
    for (int f = 1; f <= 60; ++f) row(f, 1, 0.8 * f, 10, 4, 2, 20, 2, 3, 2);
    for (int f = 1; f <= 50; ++f) row(f, 2, 30 + 0.72 * f, 10, 12, 2.5, 18, 0, 1, 2);
    for (int f = 5; f <= 59; ++f) row(f, 3, -20 + 0.9 * f, 14, 4.5, 1.9, 22, 0, 0, 3);
    for (int f = 1; f <= 80; ++f) row(f, 4, -200 + 0.6 * f, 14, 4.2, 1.8, 15, 0, 0, 3);
    return dir.write("03_tracks.csv", t);
}

// A simulator's FCD output: "ego" and "a.0" drive north from t = 0, "b.1" joins
// at t = 1 s; steps of 0.1 s.
std::string write_fcd(TempFolder& dir) {
    std::string t = "<?xml version=\"1.0\"?>\n<fcd-export>\n";
    for (int i = 0; i < 40; ++i) {
        char step[400];
        std::snprintf(step, sizeof step,
                      "  <timestep time=\"%.2f\">\n"
                      "    <vehicle id=\"ego\" x=\"10\" y=\"%.2f\" angle=\"0\" speed=\"12\"/>\n"
                      "    <vehicle id=\"a.0\" x=\"13.2\" y=\"%.2f\" angle=\"0\" speed=\"15\"/>\n",
                      0.1 * i, 1.2 * i, 20 + 1.5 * i);
        t += step;
        if (i >= 10) {
            std::snprintf(step, sizeof step,
                          "    <vehicle id=\"b.1\" x=\"10\" y=\"%.2f\" angle=\"2\" "
                          "speed=\"11\"/>\n",
                          -15 + 1.1 * (i - 10));
            t += step;
        }
        t += "  </timestep>\n";
    }
    return dir.write("run.fcd.xml", t + "</fcd-export>\n");
}

}  // namespace

// Both paths of a scene, printed by the viewer's headless modes: the files written
// from the import, loaded as --ego and --traj, and the recording opened directly.
TEST(DatasetScene, InMemoryLoadEqualsTheWrittenFiles) {
    TempFolder dir;
    struct Case {
        std::string recording, ego;
    };
    const std::vector<Case> cases = {{write_highd(dir), "1"},
                                     {write_highd(dir), "3"},
                                     {write_fcd(dir), "ego"},
                                     {write_fcd(dir), "b.1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recording + " ego " + c.ego);
        EgoScene imported;
        std::string error;
        ASSERT_TRUE(import_ego_scene(c.recording, c.ego, ImportOptions{}, imported, error))
            << error;
        const std::string nav = dir.write("scene.nav", imported.nav_text);
        const std::string traj = dir.write("scene.traj", imported.traj_text);
        for (const char* mode : {"--dump-store", "--trace-clock"}) {
            const auto files = run_plovane({"--ego", nav, "--traj", traj, mode});
            const auto direct = run_plovane({c.recording, "--ego-id", c.ego, mode});
            ASSERT_EQ(files.status, 0) << files.err;
            ASSERT_EQ(direct.status, 0) << direct.err;
            EXPECT_GT(files.out.size(), 200u);
            EXPECT_EQ(direct.out, files.out) << mode;
            EXPECT_EQ(direct.err, "");
        }
    }
}

TEST(DatasetScene, LoadFailuresNameTheRecordingAndLeaveTheSceneAlone) {
    TempFolder dir;
    const std::string tracks = write_highd(dir);
    Scene scene;
    EgoScene imported;
    std::string error;
    EXPECT_FALSE(shell::load_dataset_scene(scene, tracks, "9", imported, error));
    EXPECT_NE(error.find("03_tracks.csv: no vehicle 9"), std::string::npos) << error;
    EXPECT_EQ(scene.pose.count, 0);
    EXPECT_FALSE(traj_store_loaded(scene.store));

    // An ego that shares no frame with another vehicle: its TRAJ text holds nothing.
    const std::string alone = dir.write("alone.fcd.xml",
                                        "<fcd-export><timestep time=\"0\"><vehicle id=\"x\" "
                                        "x=\"0\" y=\"0\" angle=\"0\" speed=\"1\"/></timestep>"
                                        "</fcd-export>\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(
        shell::load_dataset_scene(scene, alone, "x", imported, error, [](std::string_view) {}));
    testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find("no other vehicle is seen at the frames of vehicle x"), std::string::npos)
        << error;
}

TEST(DatasetCommandLine, WithoutEgoIdTheLongestLivedVehicleIsTakenAndNamed) {
    TempFolder dir;
    const std::string tracks = write_highd(dir);
    const auto longest = run_plovane({tracks, "--trace-clock"});
    EXPECT_EQ(longest.status, 0) << longest.err;
    EXPECT_EQ(longest.err,
              "plovane: ego 4 (Car), the longest-lived vehicle (3.2 s); --ego-id picks another\n");
    const auto named = run_plovane({tracks, "--ego-id", "4", "--trace-clock"});
    EXPECT_EQ(named.out, longest.out);
    EXPECT_EQ(named.err, "");
    EXPECT_NE(run_plovane({tracks, "--ego-id", "1", "--trace-clock"}).out, longest.out);
}

TEST(DatasetCommandLine, ScriptModeOpensTheRecordingWithoutAsking) {
    TempFolder dir;
    const std::string tracks = write_highd(dir);
    EgoScene imported;
    std::string error;
    ASSERT_TRUE(import_ego_scene(tracks, "2", ImportOptions{}, imported, error)) << error;
    const std::string nav = dir.write("scene.nav", imported.nav_text);
    const std::string traj = dir.write("scene.traj", imported.traj_text);
    const std::string script = dir.write("s.txt", "dump\nbutton Step\nbutton Step\ndump\n");
    const auto direct = run_plovane({tracks, "--ego-id", "2", "--script", script});
    const auto files = run_plovane({"--ego", nav, "--traj", traj, "--script", script});
    EXPECT_EQ(direct.status, 0) << direct.err;
    EXPECT_NE(direct.out.find("current_frame="), std::string::npos) << direct.out;
    EXPECT_EQ(direct.out, files.out);
    EXPECT_EQ(direct.err, "");
}

TEST(DatasetCommandLine, RefusesWhatDoesNotFit) {
    TempFolder dir;
    const std::string tracks = write_highd(dir);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{tracks, "--ego-id", "9", "--summary"}, 1, "03_tracks.csv: no vehicle 9"},
        {{"--ego-id", "1", "--summary"}, 2, "--ego-id goes with a recording"},
        {{tracks, "--traj", "x.traj", "--summary"}, 2, "brings its own ego and TRAJ file"},
        {{tracks, tracks, "--summary"}, 2, "would be a second recording"},
        {{dir.write("notes.csv", "a,b\n1,2\n"), "--summary"}, 1, "notes.csv"},
    };
    for (const Case& c : cases) {
        const auto r = run_plovane(c.args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

namespace {

class OpenDatasetDialog : public ShellSession {
  protected:
    // The dialog's row texts: "mark id class duration samples" per filled row.
    static std::vector<std::string> rows(plat::Hwnd dlg) {
        std::vector<std::string> out;
        for (int r = 0; r < ids::kVehicleRows; ++r) {
            const std::string id = plat::get_dlg_item_text(dlg, ids::IDC_ROW_ID + r);
            if (id.empty()) continue;
            out.push_back(plat::get_dlg_item_text(dlg, ids::IDC_ROW_MARK + r) + "|" + id + "|" +
                          plat::get_dlg_item_text(dlg, ids::IDC_ROW_CLASS + r) + "|" +
                          plat::get_dlg_item_text(dlg, ids::IDC_ROW_DURATION + r) + "|" +
                          plat::get_dlg_item_text(dlg, ids::IDC_ROW_SAMPLES + r));
        }
        return out;
    }
};

}  // namespace

TEST_F(OpenDatasetDialog, ListsTheVehiclesAndLoadsTheChosenOne) {
    const std::string tracks = write_highd(dir);
    hl::queue_file_answer(tracks);
    std::vector<std::string> shown;
    on_dialog([&shown](plat::Hwnd dlg, int id) {
        if (id != ids::IDD_VEHICLE_LIST) return;
        shown = rows(dlg);
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_EGO_ID), "4");
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_PAGE), "vehicles 1-4 of 4");
        hl::press_button(dlg, ids::IDC_ROW_ID + 0);  // car 1
        hl::press_button(dlg, plat::IDOK);
    });
    menu(ids::IDM_OPEN_DATASET);
    ASSERT_EQ(hl::file_dialogs().size(), 1u);
    EXPECT_EQ(hl::file_dialogs()[0].options.title, "Open Dataset");
    EXPECT_EQ(hl::file_dialogs()[0].options.filters[0].pattern, "*_tracks.csv");
    EXPECT_EQ(shown, (std::vector<std::string>{"|1|Car|2.4|60", "|2|Truck|2.0|50", "|3|Car|2.2|55",
                                               ">|4|Car|3.2|80"}));
    EXPECT_TRUE(hl::message_boxes().empty());

    // The scene of car 1, as the command line opens it.
    EXPECT_EQ(scene().pose.count, 60);
    EXPECT_EQ(scene().store.entry_count, 3);  // 2, 3 and 4 share its frames
    EXPECT_TRUE(app().frameControl);
    const RoleColours& roles = viewer->view.roles.colours;
    EXPECT_EQ(roles.frontid, 2);
    EXPECT_EQ(roles.rearid, 3);
    EXPECT_EQ(roles.trajcolseton, 1);
    EXPECT_EQ(roles.frontcol, default_role_colours().frontcol);
}

// Origin points loaded for an earlier scene would fix the view far from the
// recording's: the recording's scene goes without them.
TEST_F(OpenDatasetDialog, TheRecordingsSceneDropsEarlierOriginPoints) {
    hl::queue_file_answer(dir.write("origin.txt", "1 1500 0 0 5000 -3000 0.25\n"));
    menu(ids::IDM_LOAD_ORG);
    ASSERT_EQ(origin_track_loaded(scene().origin), 1);
    ASSERT_EQ(shell::OpenDatasetCommand(*viewer, write_highd(dir), std::string("1")), 1);
    EXPECT_EQ(origin_track_loaded(scene().origin), 0);
    EXPECT_LT(std::abs(scene().scene_origin.x), 100.0);
}

TEST_F(OpenDatasetDialog, CancelAndUnknownIdsLeaveTheSceneAlone) {
    const std::string tracks = write_highd(dir);
    // A cancelled file dialog, then a cancelled list, then an id the list lacks.
    menu(ids::IDM_OPEN_DATASET);
    hl::queue_file_answer(tracks);
    on_dialog([](plat::Hwnd dlg, int) { hl::press_button(dlg, plat::IDCANCEL); });
    menu(ids::IDM_OPEN_DATASET);
    hl::queue_file_answer(tracks);
    on_dialog([](plat::Hwnd dlg, int) {
        plat::set_dlg_item_text(dlg, ids::IDC_EGO_ID, "17");
        hl::press_button(dlg, plat::IDOK);
        hl::press_button(dlg, plat::IDCANCEL);
    });
    menu(ids::IDM_OPEN_DATASET);
    ASSERT_EQ(hl::message_boxes().size(), 1u);
    EXPECT_EQ(hl::message_boxes()[0].text, "The recording has no vehicle \"17\".");
    EXPECT_EQ(scene().pose.count, 0);
    EXPECT_FALSE(traj_store_loaded(scene().store));
    EXPECT_FALSE(app().frameControl);

    // A file that is no recording: its reason in a message box.
    hl::clear_logs();
    hl::queue_file_answer(dir.write("notes.csv", "a,b\n1,2\n"));
    menu(ids::IDM_OPEN_DATASET);
    ASSERT_EQ(hl::message_boxes().size(), 1u);
    EXPECT_EQ(hl::message_boxes()[0].caption, "Error");
    EXPECT_NE(hl::message_boxes()[0].text.find("notes.csv"), std::string::npos);
    EXPECT_EQ(scene().pose.count, 0);
}

TEST_F(OpenDatasetDialog, PagesThroughLongListsAndTakesATypedId) {
    // Twelve vehicles; the longest-lived, 12, stands on the second page.
    std::string fcd = "<fcd-export>\n";
    for (int i = 0; i < 30; ++i) {
        fcd += "<timestep time=\"" + std::to_string(i) + "\">";
        for (int v = 1; v <= 12; ++v)
            if (i < 10 + v)
                fcd += "<vehicle id=\"v" + std::to_string(v) + "\" x=\"" + std::to_string(4 * v) +
                       "\" y=\"" + std::to_string(2 * i) + "\" angle=\"0\" speed=\"2\"/>";
        fcd += "</timestep>\n";
    }
    hl::queue_file_answer(dir.write("many.xml", fcd + "</fcd-export>\n"));
    std::vector<std::string> pages;
    on_dialog([&pages](plat::Hwnd dlg, int) {
        pages.push_back(plat::get_dlg_item_text(dlg, ids::IDC_PAGE) + " " +
                        plat::get_dlg_item_text(dlg, ids::IDC_ROW_ID));
        plat::send_message(dlg, plat::WM_COMMAND, plat::make_wparam(ids::IDC_PREV_PAGE, 0));
        pages.push_back(plat::get_dlg_item_text(dlg, ids::IDC_PAGE) + " " +
                        plat::get_dlg_item_text(dlg, ids::IDC_ROW_ID));
        plat::send_message(dlg, plat::WM_COMMAND, plat::make_wparam(ids::IDC_PREV_PAGE, 0));
        pages.push_back(plat::get_dlg_item_text(dlg, ids::IDC_PAGE));
        plat::set_dlg_item_text(dlg, ids::IDC_EGO_ID, " v5 ");
        hl::press_button(dlg, plat::IDOK);
    });
    menu(ids::IDM_OPEN_DATASET);
    EXPECT_EQ(pages, (std::vector<std::string>{"vehicles 11-12 of 12 v11", "vehicles 1-10 of 12 v1",
                                               "vehicles 1-10 of 12"}));
    EXPECT_EQ(scene().pose.count, 15);  // v5 lives 15 steps
}

TEST_F(OpenDatasetDialog, CtrlDOpensIt) {
    ASSERT_TRUE(app().accelTable);
    hl::set_key_down(plat::VK_CONTROL, true);
    hl::key_press(main, 'D');
    hl::set_key_down(plat::VK_CONTROL, false);
    int exit_code = 0;
    shell::DispatchPending(*viewer, exit_code);  // the main loop's step: accelerators first
    ASSERT_EQ(hl::file_dialogs().size(), 1u);
    EXPECT_EQ(hl::file_dialogs()[0].options.title, "Open Dataset");
}
