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

class IndFormat : public CsvFormat {
  public:
    explicit IndFormat(const ImportOptions& options) : options_(options) {}

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
            !read_tracks_meta(tracks, "trackId", meta_, warnings, error))
            return false;
        const char* required[] = {"trackId", "frame",  "xCenter",   "yCenter",  "heading",
                                  "width",   "length", "xVelocity", "yVelocity"};
        int* cols[] = {&id_, &frame_, &x_, &y_, &heading_, &w_, &l_, &vx_, &vy_};
        for (size_t i = 0; i < 9; ++i)
            if ((*cols[i] = t.require(required[i], error)) < 0) return false;
        preceding_ = t.column("leadId");
        following_ = t.column("rearId");
        left_lead_ = t.column("leftLeadId");
        left_lag_ = t.column("leftRearId");
        right_lead_ = t.column("rightLeadId");
        right_lag_ = t.column("rightRearId");
        lane_change_ = t.column("laneChange");
        return true;
    }

    bool key(const CsvTable& t, int64_t& id, int32_t& frame, int64_t& time,
             std::string& error) override {
        if (!read_id_and_frame(t, id_, frame_, id, frame, error)) return false;
        time = clock_.time_of(frame);
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
        s.preceding = t.neighbour(preceding_);
        s.following = t.neighbour(following_);
        s.left_lead = t.neighbour(left_lead_);
        s.left_lag = t.neighbour(left_lag_);
        s.right_lead = t.neighbour(right_lead_);
        s.right_lag = t.neighbour(right_lag_);
        if (lane_change_ >= 0) {
            int64_t c = 0;
            s.lane_change = parse_csv_integer(t.field(lane_change_), c) && c != 0;
        }
        return true;
    }

    std::string vehicle_class(int64_t id) const override {
        const auto m = meta_.find(id);
        return m == meta_.end() ? "" : m->second.vclass;
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

    const ImportOptions& options_;
    RecordingClock clock_;
    std::unordered_map<int64_t, TrackMeta> meta_;
    int id_ = -1, frame_ = -1, x_ = -1, y_ = -1, heading_ = -1, w_ = -1, l_ = -1, vx_ = -1,
        vy_ = -1;
    int preceding_ = -1, following_ = -1, left_lead_ = -1, left_lag_ = -1, right_lead_ = -1,
        right_lag_ = -1, lane_change_ = -1;
};

}  // namespace

std::unique_ptr<CsvFormat> make_ind_format(const ImportOptions& options) {
    return std::make_unique<IndFormat>(options);
}
