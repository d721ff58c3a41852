// NGSIM trajectory tables: one CSV of every vehicle's rows, in feet. Local_X is
// across the road, Local_Y along it, and together they give the front centre of
// the vehicle; the heading is the direction of motion between successive
// positions; times are Global_Time (ms since 1970, UTC) as a time of day.
#include <cmath>

#include "import/csv_recording.h"
#include "import/scene_builder.h"

namespace {

constexpr double kFoot = 0.3048;
constexpr int64_t kDayMs = 86400000;

class NgsimFormat : public CsvFormat {
  public:
    explicit NgsimFormat(const ImportOptions&) {}

    int id_column() const override { return id_; }

    bool bind(CsvTable& t, std::vector<std::string>&, std::string& error) override {
        const char* required[] = {"Vehicle_ID", "Frame_ID", "Global_Time", "Local_X",
                                  "Local_Y",    "v_Length", "v_Width",     "v_Vel"};
        int* cols[] = {&id_, &frame_, &time_, &x_, &y_, &l_, &w_, &v_};
        for (size_t i = 0; i < 8; ++i)
            if ((*cols[i] = t.require(required[i], error)) < 0) return false;
        class_ = t.column("v_Class");
        lane_ = t.column("Lane_ID");
        preceding_ = t.column("Preceding");
        following_ = t.column("Following");
        return true;
    }

    bool key(const CsvTable& t, int64_t& id, int32_t& frame, int64_t& time,
             std::string& error) override {
        if (!read_id_and_frame(t, id_, frame_, id, frame, error) || !t.integer(time_, time, error))
            return false;
        time = ((time % kDayMs) + kDayMs) % kDayMs;
        return true;
    }

    bool size(const CsvTable& t, double& length, double& width, std::string& error) override {
        if (!t.real(l_, length, error) || !t.real(w_, width, error)) return false;
        length *= kFoot;
        width *= kFoot;
        int64_t id = 0, c = 0;
        if (class_ >= 0 && parse_csv_integer(t.field(id_), id) &&
            parse_csv_integer(t.field(class_), c))
            classes_[id] = c == 1 ? "motorcycle" : c == 2 ? "car" : c == 3 ? "truck" : "";
        return true;
    }

    bool sample(const CsvTable& t, int64_t, TrackSample& s, std::string& error) override {
        if (!t.real(x_, s.x, error) || !t.real(y_, s.y, error) || !t.real(l_, s.length, error) ||
            !t.real(w_, s.width, error) || !t.real(v_, s.speed, error))
            return false;
        s.x *= kFoot;
        s.y *= kFoot;
        s.length *= kFoot;
        s.width *= kFoot;
        s.speed *= kFoot;
        s.preceding = t.neighbour(preceding_);
        s.following = t.neighbour(following_);
        s.lane = lane_ >= 0 ? t.neighbour(lane_) : 0;
        if (s.lane < 0) s.lane = 0;
        return true;
    }

    std::string vehicle_class(int64_t id) const override {
        const auto c = classes_.find(id);
        return c == classes_.end() ? "" : c->second;
    }

    bool finish(VehicleTrack& track) override {
        std::vector<TrackSample>& s = track.samples;
        // The motion into each position from the one before (the first sample takes
        // the motion out of it).
        for (size_t i = 0; i < s.size(); ++i) {
            const size_t a = i > 0 ? i - 1 : 0;
            const size_t b = i > 0 ? i : std::min<size_t>(1, s.size() - 1);
            if (a == b) continue;
            double dt = static_cast<double>(s[b].time_ms - s[a].time_ms) / 1000;
            if (dt <= 0) dt = 0.1 * (s[b].frame - s[a].frame);
            if (dt <= 0) continue;
            s[i].mx = (s[b].x - s[a].x) / dt;
            s[i].my = (s[b].y - s[a].y) / dt;
        }
        resolve_headings(s, 0, 1);
        shift_front_to_centre(s);
        return false;
    }

  private:
    std::unordered_map<int64_t, std::string> classes_;
    int id_ = -1, frame_ = -1, time_ = -1, x_ = -1, y_ = -1, l_ = -1, w_ = -1, v_ = -1;
    int class_ = -1, lane_ = -1, preceding_ = -1, following_ = -1;
};

}  // namespace

std::unique_ptr<CsvFormat> make_ngsim_format(const ImportOptions& options) {
    return std::make_unique<NgsimFormat>(options);
}
