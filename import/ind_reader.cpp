// inD, rounD and exiD recordings: NN_tracks.csv with box centres (already y up)
// and headings in degrees counter-clockwise from +x, with NN_tracksMeta.csv and
// NN_recordingMeta.csv beside it. exiD's neighbour columns give the roles.
// Road users without a length or width get a size by their class.
#include <cmath>

#include "import/csv_recording.h"
#include "import/scene_builder.h"

namespace {

bool class_is(const std::string& vclass, const char* name) {
    if (vclass.size() != std::char_traits<char>::length(name)) return false;
    for (size_t i = 0; i < vclass.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(vclass[i])) != name[i]) return false;
    return true;
}

class IndFormat : public DroneRecordingFormat {
  public:
    explicit IndFormat(const ImportOptions& options) : DroneRecordingFormat(options) {}

    bool bind(CsvTable& t, std::vector<std::string>& warnings, std::string& error) override {
        static const NeighbourNames neighbours = {"leadId",     "rearId",      "leftLeadId",
                                                  "leftRearId", "rightLeadId", "rightRearId"};
        if (!bind_recording(t, "trackId",
                            {{"trackId", &id_},
                             {"frame", &frame_},
                             {"xCenter", &x_},
                             {"yCenter", &y_},
                             {"heading", &heading_},
                             {"width", &w_},
                             {"length", &l_},
                             {"xVelocity", &vx_},
                             {"yVelocity", &vy_}},
                            neighbours, warnings, error))
            return false;
        lane_change_ = t.column("laneChange");
        return true;
    }

    bool size(const CsvTable& t, double& length, double& width, std::string& error) override {
        if (!t.real(l_, length, error) || !t.real(w_, width, error)) return false;
        int64_t id = 0;
        parse_csv_integer(t.field(id_), id);
        default_size(vehicle_class(id), length, width);
        return true;
    }

    bool sample(const CsvTable& t, int64_t, TrackSample& s, std::string& error) override {
        double heading = 0, vx = 0, vy = 0;
        if (!t.real(x_, s.x, error) || !t.real(y_, s.y, error) ||
            !t.real(heading_, heading, error) || !t.real(l_, s.length, error) ||
            !t.real(w_, s.width, error) || !t.real(vx_, vx, error) || !t.real(vy_, vy, error))
            return false;
        const double a = heading * M_PI / 180;
        s.fx = std::cos(a);
        s.fy = std::sin(a);
        s.mx = vx;
        s.my = vy;
        s.speed = std::hypot(vx, vy);
        read_neighbours(t, s);
        if (lane_change_ >= 0) {
            int64_t c = 0;
            s.lane_change = parse_csv_integer(t.field(lane_change_), c) && c != 0;
        }
        return true;
    }

    bool finish(VehicleTrack& track) override {
        bool substituted = false;
        for (TrackSample& s : track.samples)
            substituted |= default_size(track.info.vclass, s.length, s.width);
        return substituted;
    }

  private:
    // A pedestrian 0.6 x 0.6 m and a bicycle 1.8 x 0.6 m when the data gives no
    // length or width; true when it changed the size.
    static bool default_size(const std::string& vclass, double& length, double& width) {
        if (length > 0 && width > 0) return false;
        if (class_is(vclass, "pedestrian")) {
            length = 0.6, width = 0.6;
            return true;
        }
        if (class_is(vclass, "bicycle")) {
            length = 1.8, width = 0.6;
            return true;
        }
        return false;
    }

    int x_ = -1, y_ = -1, heading_ = -1, w_ = -1, l_ = -1, vx_ = -1, vy_ = -1, lane_change_ = -1;
};

}  // namespace

std::unique_ptr<CsvFormat> make_ind_format(const ImportOptions& options) {
    return std::make_unique<IndFormat>(options);
}
