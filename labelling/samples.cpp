#include "labelling/samples.h"

#include <cstdio>

#include "data/atomic_file.h"
#include "data/report.h"
#include "data/text_input.h"
#include "labelling/labelling.h"

namespace {

TrackSampleSet g_samples;
TrajGenTrack g_traj_gen;
std::vector<LocalPose> g_local;
std::string g_traj_gen_failure;

// Failures of the pose and Traj Gen loads go to the standard error stream as a
// whole line.
void write_line(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
}

}  // namespace

TrackSampleSet& sample_set() {
    return g_samples;
}
TrajGenTrack& traj_gen_track() {
    return g_traj_gen;
}
std::vector<LocalPose>& local_poses() {
    return g_local;
}

int samples_loaded() {
    return g_samples.count > 0 ? 1 : 0;
}
int traj_gen_loaded() {
    return g_traj_gen.count > 0 ? 1 : 0;
}

void free_samples() {
    g_samples = TrackSampleSet{};
}
void free_traj_gen() {
    g_traj_gen = TrajGenTrack{};
}

void free_labelling_stores() {
    free_samples();
    free_pose_track();
    free_traj_gen();
    g_local = {};
}

int load_vantrel_pose_track(const std::string& path) {
    set_nav_columns(nav_columns_for(path));
    const int loaded = load_pose_track(path, {}, true);
    const size_t count = static_cast<size_t>(pose_track().count);
    // A file that cannot be opened keeps the previous track, and with it the samples'
    // local views of it; any other outcome starts the views afresh.
    if (loaded || g_local.size() != count) g_local.assign(count, LocalPose{});
    if (!loaded) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
        return 0;
    }
    update_pose_period();
    refresh_all_samples();
    return 1;
}

int load_sample_file(const std::string& path) {
    TextBuffer text;
    if (read_text_file(path, text, nullptr) != ReadTextStatus::Ok) {
        report_error("Open TRAJ file failure.");
        return 0;
    }
    std::vector<TrackSample> records;
    switch (read_sample_text(text.view(), records)) {
        case SampleReadStatus::Ok:
            break;
        case SampleReadStatus::NoData:
            free_samples();
            report_error("Invalid TRAJ file.");
            return 0;
        case SampleReadStatus::OutOfMemory:
            report_error("Out of memory reading the sample file.");
            return 0;
    }
    g_samples.count = static_cast<int32_t>(records.size());
    g_samples.records = std::move(records);
    return 1;
}

int load_traj_gen(const std::string& path) {
    TextBuffer text;
    if (read_text_file(path, text, nullptr) != ReadTextStatus::Ok) {
        g_traj_gen_failure = "Open data failure : " + path;
        write_line(g_traj_gen_failure);
        return 0;
    }
    std::vector<TrajGenPoint> points;
    uint64_t lines = 0;
    switch (read_traj_gen_text(text.view(), points, lines)) {
        case PoseReadStatus::Ok:
            break;
        case PoseReadStatus::NoData:
            g_traj_gen_failure = "Invalid data : " + path;
            break;
        case PoseReadStatus::OutOfMemory:
            g_traj_gen_failure = "Memory failure : " + std::to_string(lines) + " records";
            break;
    }
    if (points.empty()) {
        free_traj_gen();
        write_line(g_traj_gen_failure);
        return 0;
    }
    g_traj_gen.count = static_cast<int32_t>(points.size());
    g_traj_gen.points = std::move(points);
    whole_track_record_from_traj_gen();
    return 1;
}

const std::string& last_traj_gen_failure() {
    return g_traj_gen_failure;
}

void set_whole_track_record(int32_t start_ms, int32_t end_ms, int32_t first, int32_t last) {
    if (!samples_loaded()) return;
    TrackSample& r = g_samples.records[0];
    r.start_ms = start_ms;
    r.end_ms = end_ms;
    r.first_pose = first;
    r.last_pose = last;
    r.pose_count = last - first + 1;
    r.label = 4;
}

void whole_track_record_from_traj_gen() {
    if (!traj_gen_loaded()) return;
    set_whole_track_record(g_traj_gen.points.front().time_ms, g_traj_gen.points.back().time_ms, 0,
                           g_traj_gen.count - 1);
}

const PoseRecord* pose_at(int32_t i) {
    const PoseTrack& t = pose_track();
    return i >= 0 && i < t.count ? &t.poses[static_cast<size_t>(i)] : nullptr;
}

LocalPose* local_pose_at(int32_t i) {
    if (i < 0 || i >= pose_track().count) return nullptr;
    if (g_local.size() != static_cast<size_t>(pose_track().count))
        g_local.resize(static_cast<size_t>(pose_track().count));
    return &g_local[static_cast<size_t>(i)];
}

const TrackSample* next_sample_record(int32_t& cursor) {
    if (g_samples.count <= 0 || cursor < 0 || cursor >= g_samples.count) return nullptr;
    return &g_samples.records[static_cast<size_t>(cursor++)];
}

const TrajGenPoint* traj_gen_point_at(int32_t i) {
    return i >= 0 && i < g_traj_gen.count ? &g_traj_gen.points[static_cast<size_t>(i)] : nullptr;
}

SaveOutcome save_samples(const std::string& base) {
    SaveOutcome out;
    if (!samples_loaded()) return out;
    const std::string name = base + ".txt";
    AtomicFile file(name);
    bool ok = file.open();
    for (int32_t k = 1; ok && k < g_samples.count; ++k) {
        const TrackSample& s = g_samples.records[static_cast<size_t>(k)];
        if (s.active == 1) ok = file.write(sample_file_line(s));
    }
    if (!ok || !file.commit()) {
        out.failure_caption = base;
        return out;
    }
    if (pose_track_loaded()) {
        for (int32_t k = 1; k < g_samples.count; ++k) {
            const TrackSample& s = g_samples.records[static_cast<size_t>(k)];
            if (s.active != 1) continue;
            const std::string export_name = base + std::to_string(out.exports) + ".nav";
            AtomicFile pose_file(export_name);
            bool written = pose_file.open();
            for (int32_t j = s.first_pose; written && j <= s.last_pose; ++j)
                if (const PoseRecord* p = pose_at(j))
                    written = pose_file.write(pose_export_line(*p, s.heading_offset));
            if (!written || !pose_file.commit()) {
                out.failure_caption = export_name;
                return out;
            }
            ++out.exports;
        }
    }
    out.saved = true;
    return out;
}
