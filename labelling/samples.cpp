#include "labelling/samples.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "data/atomic_file.h"
#include "data/number_text.h"
#include "data/os_files.h"
#include "data/text_input.h"
#include "data/traj_format.h"

namespace {

// Failures of the pose and Traj Gen loads go to the standard error stream as a
// whole line.
void write_line(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
}

}  // namespace

int samples_loaded(const TrackSampleSet& set) {
    return set.count > 0 ? 1 : 0;
}
int traj_gen_loaded(const TrajGenTrack& track) {
    return track.count > 0 ? 1 : 0;
}

void free_samples(TrackSampleSet& set) {
    set = TrackSampleSet{};
}
void free_traj_gen(TrajGenTrack& track) {
    track = TrajGenTrack{};
}

void free_labelling_stores(LabelSession& session) {
    free_samples(session.samples);
    free_pose_track(session.pose);
    free_traj_gen(session.traj_gen);
    session.local = {};
}

int load_vantrel_pose_track(LabelSession& session, const std::string& path, std::string* failure,
                            const LoadProgress& progress) {
    const int loaded =
        load_pose_track(session.pose, path, nav_columns_for(path), failure, progress, true);
    const size_t count = static_cast<size_t>(session.pose.count);
    // A file that cannot be opened keeps the previous track, and with it the samples'
    // local views of it; any other outcome starts the views afresh.
    if (loaded || session.local.size() != count) session.local.assign(count, LocalPose{});
    if (!loaded) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    return loaded ? 1 : 0;
}

int load_sample_file(TrackSampleSet& set, const std::string& path, const ErrorSink& report,
                     std::vector<ShortenedSample>* shortened) {
    TextBuffer text;
    if (read_text_file(path, text, nullptr) != ReadTextStatus::Ok) {
        report("Open TRAJ file failure.");
        return 0;
    }
    std::vector<TrackSample> records;
    TextFault fault;
    switch (read_sample_text(text.view(), records, &fault, shortened)) {
        case SampleReadStatus::Ok:
            break;
        case SampleReadStatus::NoData:
        case SampleReadStatus::Invalid:
        case SampleReadStatus::TooManyLines:
            free_samples(set);
            report("Invalid TRAJ file.\n" + fault_detail(path, fault));
            return 0;
        case SampleReadStatus::OutOfMemory:
            report("Out of memory reading the sample file.");
            return 0;
    }
    set.count = static_cast<int32_t>(records.size());
    set.records = std::move(records);
    return 1;
}

int load_traj_gen(TrajGenTrack& track, const std::string& path, std::string* failure) {
    auto fail = [failure](const std::string& message) {
        if (failure) *failure = message;
        write_line(message);
        return 0;
    };
    TextBuffer text;
    if (read_text_file(path, text, nullptr) != ReadTextStatus::Ok)
        return fail("Open data failure : " + path);
    std::vector<TrajGenPoint> points;
    uint64_t lines = 0;
    std::string message;
    TextFault fault;
    switch (read_traj_gen_text(text.view(), points, lines, &fault)) {
        case PoseReadStatus::Ok:
            break;
        case PoseReadStatus::NoData:
            message = "Invalid data : " + path;
            break;
        case PoseReadStatus::Invalid:
        case PoseReadStatus::TooManyLines:
            message = "Invalid data : " + path + "\n" + fault_detail(path, fault);
            break;
        case PoseReadStatus::OutOfMemory:
            message = "Memory failure : " + std::to_string(lines) + " records";
            break;
    }
    if (points.empty()) {
        free_traj_gen(track);
        return fail(message);
    }
    track.count = static_cast<int32_t>(points.size());
    track.points = std::move(points);
    return 1;
}

void set_whole_track_record(TrackSampleSet& set, int32_t start_ms, int32_t end_ms, int32_t first,
                            int32_t last) {
    if (!samples_loaded(set)) return;
    TrackSample& r = set.records[0];
    r.start_ms = start_ms;
    r.end_ms = end_ms;
    r.first_pose = first;
    r.last_pose = last;
    r.pose_count = last - first + 1;
    r.label = 4;
}

void whole_track_record_from_traj_gen(LabelSession& session) {
    const TrajGenTrack& track = session.traj_gen;
    if (!traj_gen_loaded(track)) return;
    set_whole_track_record(session.samples, track.points.front().time_ms,
                           track.points.back().time_ms, 0, track.count - 1);
}

const PoseRecord* pose_at(const PoseTrack& track, int32_t i) {
    return i >= 0 && i < track.count ? &track.poses[static_cast<size_t>(i)] : nullptr;
}

LocalPose* local_pose_at(LabelSession& session, int32_t i) {
    const int32_t count = session.pose.count;
    if (i < 0 || i >= count) return nullptr;
    if (session.local.size() != static_cast<size_t>(count))
        session.local.resize(static_cast<size_t>(count));
    return &session.local[static_cast<size_t>(i)];
}

const LocalPose* local_pose_at(const LabelSession& session, int32_t i) {
    if (i < 0 || i >= session.pose.count || static_cast<size_t>(i) >= session.local.size())
        return nullptr;
    return &session.local[static_cast<size_t>(i)];
}

const TrackSample* next_sample_record(const TrackSampleSet& set, int32_t& cursor) {
    if (set.count <= 0 || cursor < 0 || cursor >= set.count) return nullptr;
    return &set.records[static_cast<size_t>(cursor++)];
}

const TrajGenPoint* traj_gen_point_at(const TrajGenTrack& track, int32_t i) {
    return i >= 0 && i < track.count ? &track.points[static_cast<size_t>(i)] : nullptr;
}

namespace {

std::string export_name(const std::string& base, int number) {
    return base + std::to_string(number) + ".nav";
}

// The time of the first data line of pose text and of its last one; false when it
// has none.
bool pose_time_span(std::string_view text, int64_t& first, int64_t& last) {
    BufferLines lines(text);
    std::string_view line;
    size_t length;
    bool any = false;
    while (lines.next(line, length)) {
        if (line.empty() || line[0] < '0' || line[0] > '9') continue;
        last = parse_int(line);
        if (!any) first = last;
        any = true;
    }
    return any;
}

// Removes the pose exports that the save being replaced wrote beyond the new
// count: the old sample file tells how many samples it had, and an export of that
// save holds the poses of its sample, from the one nearest the start to the end.
void remove_exports_beyond(const std::string& base, const std::vector<TrackSample>& old_samples,
                           int count) {
    // A pose nearest the start lies at most half a pose period before it.
    constexpr int64_t kStartSlack = 1000;
    for (size_t k = static_cast<size_t>(count) + 1; k < old_samples.size(); ++k) {
        const TrackSample& s = old_samples[k];
        const std::string name = export_name(base, static_cast<int>(k - 1));
        TextBuffer text;
        int64_t first = 0, last = 0;
        if (read_text_file(name, text, nullptr) != ReadTextStatus::Ok ||
            !pose_time_span(text.view(), first, last))
            continue;
        if (first >= s.start_ms - kStartSlack && first <= s.start_ms + kStartSlack &&
            last <= s.end_ms)
            os_files::remove_file(name);
    }
}

// The samples of the sample file at path in file order (record 0 empty), as the
// save that wrote it numbered its exports; empty when there is none.
std::vector<TrackSample> saved_samples(const std::string& path) {
    TextBuffer text;
    if (read_text_file(path, text, nullptr) != ReadTextStatus::Ok) return {};
    std::vector<TrackSample> records(1);
    BufferLines lines(text.view());
    std::string_view line;
    size_t length;
    while (lines.next(line, length)) {
        if (line.empty() || line[0] < '0' || line[0] > '9') continue;
        TokenSplitter fields(line, " ,\t\n");
        std::string_view f[3];
        if (!fields.next(f[0]) || !fields.next(f[1]) || !fields.next(f[2])) continue;
        TrackSample s;
        s.start_ms = parse_int(f[1]);
        s.end_ms = parse_int(f[2]);
        records.push_back(s);
    }
    return records;
}

}  // namespace

SaveOutcome save_samples(const LabelSession& session, const std::string& base) {
    SaveOutcome out;
    const TrackSampleSet& samples = session.samples;
    if (!samples_loaded(samples)) return out;
    const std::string name = base + ".txt";
    const std::vector<TrackSample> old_samples = saved_samples(name);
    // The sample file first: it lists the exports, and is renamed into place last.
    AtomicFileSet set;
    AtomicFile& file = set.add(name);
    bool ok = file.is_open();
    for (int32_t k = 1; ok && k < samples.count; ++k) {
        const TrackSample& s = samples.records[static_cast<size_t>(k)];
        if (s.active == 1) ok = file.write(sample_file_line(s));
    }
    ok = ok && file.finish();
    int exports = 0;
    if (pose_track_loaded(session.pose)) {
        for (int32_t k = 1; ok && k < samples.count; ++k) {
            const TrackSample& s = samples.records[static_cast<size_t>(k)];
            if (s.active != 1) continue;
            AtomicFile& pose_file = set.add(export_name(base, exports++));
            ok = pose_file.is_open();
            for (int32_t j = s.first_pose; ok && j <= s.last_pose; ++j)
                if (const PoseRecord* p = pose_at(session.pose, j))
                    ok = pose_file.write(pose_export_line(*p, s.heading_offset));
            // Closed at once: a save of thousands of samples holds no file open.
            ok = ok && pose_file.finish();
        }
    }
    if (!set.commit()) {
        out.failure_caption = set.failed_target() == name ? base : set.failed_target();
        out.failure = set.failed_target() + ": " + set.error();
        return out;
    }
    remove_exports_beyond(base, old_samples, exports);
    out.exports = exports;
    out.saved = true;
    return out;
}
