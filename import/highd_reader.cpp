// highD-style drone recordings: NN_tracks.csv with NN_tracksMeta.csv and
// NN_recordingMeta.csv beside it. A row's x, y is the upper-left corner of the box
// in image orientation (y down); width is the box's extent along x (the vehicle's
// length), height its extent across. There is no heading: it follows the velocity.
#include <cmath>

#include "import/csv_recording.h"
#include "import/scene_builder.h"

namespace {

class HighdFormat : public DroneRecordingFormat {
  public:
    explicit HighdFormat(const ImportOptions& options) : DroneRecordingFormat(options) {}

    bool bind(CsvTable& t, std::vector<std::string>& warnings, std::string& error) override {
        static const NeighbourNames neighbours = {"precedingId",      "followingId",
                                                  "leftPrecedingId",  "leftFollowingId",
                                                  "rightPrecedingId", "rightFollowingId"};
        if (!bind_recording(t, "id",
                            {{"frame", &frame_},
                             {"id", &id_},
                             {"x", &x_},
                             {"y", &y_},
                             {"width", &w_},
                             {"height", &h_},
                             {"xVelocity", &vx_},
                             {"yVelocity", &vy_}},
                            neighbours, warnings, error))
            return false;
        lane_ = t.column("laneId");
        return true;
    }

    bool size(const CsvTable& t, double& length, double& width, std::string& error) override {
        return t.real(w_, length, error) && t.real(h_, width, error);
    }

    bool sample(const CsvTable& t, int64_t, TrackSample& s, std::string& error) override {
        double x = 0, y = 0, vx = 0, vy = 0;
        if (!t.real(x_, x, error) || !t.real(y_, y, error) || !t.real(w_, s.length, error) ||
            !t.real(h_, s.width, error) || !t.real(vx_, vx, error) || !t.real(vy_, vy, error))
            return false;
        s.x = x + s.length / 2;
        s.y = -(y + s.width / 2);
        s.mx = vx;
        s.my = -vy;
        s.speed = std::hypot(vx, vy);
        read_neighbours(t, s);
        s.lane = lane_ >= 0 ? t.neighbour(lane_) : 0;
        if (s.lane < 0) s.lane = 0;
        return true;
    }

    bool finish(VehicleTrack& track) override {
        const auto m = meta_.find(track.info.id);
        track.driving_direction = m == meta_.end() ? 0 : m->second.driving_direction;
        const double fx = track.driving_direction == 1 ? -1 : track.driving_direction == 2 ? 1 : 0;
        resolve_headings(track.samples, fx, fx == 0 ? 1 : 0);
        return false;
    }

  private:
    int x_ = -1, y_ = -1, w_ = -1, h_ = -1, vx_ = -1, vy_ = -1, lane_ = -1;
};

}  // namespace

std::unique_ptr<CsvFormat> make_highd_format(const ImportOptions& options) {
    return std::make_unique<HighdFormat>(options);
}
