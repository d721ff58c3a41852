// highD-style drone recordings: NN_tracks.csv with NN_tracksMeta.csv and
// NN_recordingMeta.csv beside it. A row's x, y is the upper-left corner of the box
// in image orientation (y down); width is the box's extent along x (the vehicle's
// length), height its extent across. There is no heading: it follows the velocity.
#include <cmath>

#include "import/csv_recording.h"
#include "import/scene_builder.h"

namespace {

class HighdFormat : public CsvFormat {
  public:
    explicit HighdFormat(const ImportOptions& options) : options_(options) {}

    bool bind(CsvTable& t, std::vector<std::string>& warnings, std::string& error) override {
        const std::string& path = t.path();
        const std::string rec = !options_.recording_meta.empty()
                                    ? options_.recording_meta
                                    : meta_path_beside(path, "recordingMeta.csv");
        const std::string tracks = !options_.tracks_meta.empty()
                                       ? options_.tracks_meta
                                       : meta_path_beside(path, "tracksMeta.csv");
        meta_.clear();
        if (!read_recording_clock(rec, clock_, warnings, error) ||
            !read_tracks_meta(tracks, "id", meta_, warnings, error))
            return false;
        const char* required[] = {"frame", "id",     "x",         "y",
                                  "width", "height", "xVelocity", "yVelocity"};
        int* cols[] = {&frame_, &id_, &x_, &y_, &w_, &h_, &vx_, &vy_};
        for (size_t i = 0; i < 8; ++i)
            if ((*cols[i] = t.require(required[i], error)) < 0) return false;
        preceding_ = t.column("precedingId");
        following_ = t.column("followingId");
        left_lead_ = t.column("leftPrecedingId");
        left_lag_ = t.column("leftFollowingId");
        right_lead_ = t.column("rightPrecedingId");
        right_lag_ = t.column("rightFollowingId");
        lane_ = t.column("laneId");
        return true;
    }

    bool key(const CsvTable& t, int64_t& id, int32_t& frame, int64_t& time,
             std::string& error) override {
        if (!read_id_and_frame(t, id_, frame_, id, frame, error)) return false;
        time = clock_.time_of(frame);
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
        s.preceding = t.neighbour(preceding_);
        s.following = t.neighbour(following_);
        s.left_lead = t.neighbour(left_lead_);
        s.left_lag = t.neighbour(left_lag_);
        s.right_lead = t.neighbour(right_lead_);
        s.right_lag = t.neighbour(right_lag_);
        s.lane = lane_ >= 0 ? t.neighbour(lane_) : 0;
        if (s.lane < 0) s.lane = 0;
        return true;
    }

    std::string vehicle_class(int64_t id) const override {
        const auto m = meta_.find(id);
        return m == meta_.end() ? "" : m->second.vclass;
    }

    bool finish(VehicleTrack& track) override {
        const auto m = meta_.find(track.info.id);
        track.driving_direction = m == meta_.end() ? 0 : m->second.driving_direction;
        const double fx = track.driving_direction == 1 ? -1 : track.driving_direction == 2 ? 1 : 0;
        resolve_headings(track.samples, fx, fx == 0 ? 1 : 0);
        return false;
    }

  private:
    const ImportOptions& options_;
    RecordingClock clock_;
    std::unordered_map<int64_t, TrackMeta> meta_;
    int frame_ = -1, id_ = -1, x_ = -1, y_ = -1, w_ = -1, h_ = -1, vx_ = -1, vy_ = -1;
    int preceding_ = -1, following_ = -1, left_lead_ = -1, left_lag_ = -1, right_lead_ = -1,
        right_lag_ = -1, lane_ = -1;
};

}  // namespace

std::unique_ptr<CsvFormat> make_highd_format(const ImportOptions& options) {
    return std::make_unique<HighdFormat>(options);
}
