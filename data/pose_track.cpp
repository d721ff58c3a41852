#include "data/pose_track.h"

#include <cctype>
#include <cstdio>
#include <limits>
#include <new>

#include "data/traj_format.h"

namespace {

PoseTrack g_pose;
OriginTrack g_origin;
SceneOrigin g_scene_origin;
int g_nav_columns = 0;

constexpr std::string_view kPoseSeparators = " ,\t\n";
constexpr size_t kProgressStep = size_t{1} << 20;

// A data line has at least 3 characters, its line end counted, and starts with
// a decimal digit.
bool is_pose_data_line(std::string_view line, size_t length) {
    return length >= 3 && !line.empty() && line[0] >= '0' && line[0] <= '9';
}

uint64_t count_pose_lines(std::string_view text) {
    BufferLines reader(text);
    std::string_view line;
    size_t length;
    uint64_t n = 0;
    while (reader.next(line, length)) {
        if (is_pose_data_line(line, length)) ++n;
    }
    return n;
}

int64_t time_distance(int32_t a, int32_t b) {
    int64_t d = static_cast<int64_t>(a) - b;
    return d < 0 ? -d : d;
}

// Parses one data line into rec; false when the line lacks a column.
using LineParser = bool (*)(std::string_view line, PoseRecord& rec);

bool parse_pose_columns(TokenSplitter& tokens, PoseRecord& rec) {
    std::string_view token;
    if (!tokens.next(token)) return false;
    rec.time_ms = parse_int(token);
    double* reals[6] = {&rec.aux1, &rec.aux2, &rec.heading, &rec.x, &rec.y, &rec.aux3};
    for (double* r : reals) {
        if (!tokens.next(token)) return false;
        *r = parse_real(token);
    }
    return true;
}

bool parse_nav_line(std::string_view line, PoseRecord& rec) {
    TokenSplitter tokens(line, kPoseSeparators);
    return parse_pose_columns(tokens, rec);
}

bool parse_pos_line(std::string_view line, PoseRecord& rec) {
    TokenSplitter tokens(line, kPoseSeparators);
    std::string_view seq_no;
    tokens.next(seq_no);
    rec.seq_no = parse_int(seq_no);
    return parse_pose_columns(tokens, rec);
}

bool parse_origin_line(std::string_view line, PoseRecord& rec) {
    TokenSplitter tokens(line, kPoseSeparators);
    std::string_view t[7];
    for (auto& token : t) {
        if (!tokens.next(token)) return false;
    }
    rec = PoseRecord{};
    rec.time_ms = parse_int(t[1]);
    rec.x = parse_real(t[4]);
    rec.y = parse_real(t[5]);
    rec.heading = parse_real(t[6]);
    return true;
}

PoseReadStatus read_records(std::string_view text, LineParser parse, std::vector<PoseRecord>& out,
                            int32_t& count, uint64_t& lines, ProgressMeter* meter) {
    out.clear();
    out.shrink_to_fit();
    count = 0;
    lines = count_pose_lines(text);
    if (lines == 0) return PoseReadStatus::NoData;
    if (lines > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
        return PoseReadStatus::OutOfMemory;
    }
    try {
        out.resize(lines);
    } catch (const std::bad_alloc&) {
        return PoseReadStatus::OutOfMemory;
    }
    BufferLines reader(text);
    std::string_view line;
    size_t length;
    size_t next_report = kProgressStep;
    while (reader.next(line, length)) {
        if (meter && reader.offset() >= next_report) {
            meter->update(text.size() + reader.offset());
            next_report = reader.offset() + kProgressStep;
        }
        if (!is_pose_data_line(line, length)) continue;
        if (count >= static_cast<int32_t>(lines)) break;
        PoseRecord rec;
        if (!parse(line, rec)) break;
        out[count++] = rec;
    }
    return PoseReadStatus::Ok;
}

std::string g_last_failure;

// Load failures go to the standard error stream without a line end; the caller
// may show them elsewhere too.
void write_stderr(const std::string& message) {
    g_last_failure = message;
    std::fputs(message.c_str(), stderr);
    std::fflush(stderr);
}

// Reads path and parses it with parse into records; messages as load_pose_track.
// The records change only once the file has been read (*read set then).
int load_records(const std::string& path, LineParser parse, std::vector<PoseRecord>& records,
                 int32_t& count, const LoadProgress& progress, bool* read = nullptr) {
    ProgressMeter meter(progress);
    TextBuffer text;
    if (read_text_file(path, text, &meter) != ReadTextStatus::Ok) {
        write_stderr("Open data failure : " + path);
        return 0;
    }
    if (read) *read = true;
    uint64_t lines = 0;
    switch (read_records(text.view(), parse, records, count, lines, &meter)) {
        case PoseReadStatus::Ok:
            if (count > 0) return 1;
            // Lines that look like data but hold no pose: a load that keeps nothing
            // must say so rather than leave an empty view without a word.
            [[fallthrough]];
        case PoseReadStatus::NoData:
            write_stderr("Invalid data : " + path);
            break;
        case PoseReadStatus::OutOfMemory:
            write_stderr("Memory failure : " + std::to_string(lines) + " records");
            break;
    }
    records.clear();
    records.shrink_to_fit();
    count = 0;
    return 0;
}

}  // namespace

PoseTrack& pose_track() {
    return g_pose;
}
const std::string& last_pose_load_failure() {
    return g_last_failure;
}
OriginTrack& origin_track() {
    return g_origin;
}
SceneOrigin& scene_origin() {
    return g_scene_origin;
}

int nav_columns() {
    return g_nav_columns;
}
void set_nav_columns(int nav) {
    g_nav_columns = nav ? 1 : 0;
}

int nav_columns_for(const std::string& path) {
    std::string base, extension;
    split_file_name(path, base, extension);
    if (extension.size() < 3) return 0;
    for (size_t i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(extension[i])) != "nav"[i]) return 0;
    }
    return 1;
}

void reset_pose_state() {
    free_pose_track();
    free_origin_track();
    g_scene_origin = SceneOrigin{};
    g_nav_columns = 0;
}

int pose_track_loaded() {
    return g_pose.count > 0 ? 1 : 0;
}
int origin_track_loaded() {
    return g_origin.count > 0 ? 1 : 0;
}

void free_pose_track() {
    g_pose = PoseTrack{};
}
void free_origin_track() {
    g_origin = OriginTrack{};
}

PoseReadStatus read_pose_text(std::string_view text, bool nav, std::vector<PoseRecord>& out,
                              int32_t& count, uint64_t& lines, ProgressMeter* meter) {
    return read_records(text, nav ? parse_nav_line : parse_pos_line, out, count, lines, meter);
}

PoseReadStatus read_origin_text(std::string_view text, std::vector<PoseRecord>& out, int32_t& count,
                                uint64_t& lines, ProgressMeter* meter) {
    return read_records(text, parse_origin_line, out, count, lines, meter);
}

int load_pose_track(const std::string& path, const LoadProgress& progress,
                    bool keep_on_open_failure) {
    if (!keep_on_open_failure) free_pose_track();
    bool read = false;
    const int loaded = load_records(path, g_nav_columns ? parse_nav_line : parse_pos_line,
                                    g_pose.poses, g_pose.count, progress, &read);
    if (read) g_pose.pose_cursor = g_pose.scene_start_index = 0;
    return loaded;
}

int load_origin_track(const std::string& path, const LoadProgress& progress) {
    free_origin_track();
    return load_records(path, parse_origin_line, g_origin.points, g_origin.count, progress);
}

void reset_pose_cursor() {
    if (pose_track_loaded()) g_pose.pose_cursor = 0;
}

int advance_pose_cursor(int32_t t) {
    if (!pose_track_loaded()) return 0;
    const PoseRecord* poses = g_pose.poses.data();
    for (int32_t i = g_pose.pose_cursor; i < g_pose.count - 1;) {
        int32_t here = poses[i].time_ms;
        int32_t after = poses[i + 1].time_ms;
        if (here > t) return 1;
        if (after >= t) {
            if (static_cast<int64_t>(after) - t < static_cast<int64_t>(t) - here) {
                g_pose.pose_cursor = i + 1;
            }
            return 1;
        }
        if (here == t) return 1;
        ++i;
        g_pose.pose_cursor = i;
    }
    return 0;
}

void find_scene_origin(int32_t t) {
    if (t == 0) return;
    if (origin_track_loaded()) {
        const PoseRecord* best = &g_origin.points[0];
        for (int32_t i = 1; i < g_origin.count; ++i) {
            const PoseRecord& p = g_origin.points[i];
            if (time_distance(p.time_ms, t) < time_distance(best->time_ms, t)) best = &p;
        }
        g_scene_origin = SceneOrigin{best->x, best->y, best->heading};
        return;
    }
    if (g_pose.count < 2) return;
    const PoseRecord* poses = g_pose.poses.data();
    int32_t taken = -1;
    for (int32_t i = 0; i < g_pose.count - 1; ++i) {
        int32_t here = poses[i].time_ms;
        int32_t after = poses[i + 1].time_ms;
        if (here > t) {
            if (static_cast<int64_t>(here) - t < 100) taken = i;
            break;
        }
        if (after >= t) {
            taken = time_distance(after, t) < time_distance(here, t) ? i + 1 : i;
            break;
        }
        if (here == t) {
            taken = i;
            break;
        }
    }
    if (taken < 0) return;
    const PoseRecord& p = poses[taken];
    g_scene_origin = SceneOrigin{p.x, p.y, p.heading};
    g_pose.scene_start_index = taken;
}

void get_scene_origin(Vec2& position, double& heading) {
    position = Vec2{g_scene_origin.x, g_scene_origin.y};
    heading = g_scene_origin.heading;
}

void get_cursor_pose(Vec2& position, double& heading) {
    if (!pose_track_loaded() || g_pose.pose_cursor < 0 || g_pose.pose_cursor >= g_pose.count) {
        position = Vec2{};
        heading = 0;
        return;
    }
    const PoseRecord& p = g_pose.poses[g_pose.pose_cursor];
    position = Vec2{p.x, p.y};
    heading = p.heading;
}

int32_t pose_cursor() {
    return g_pose.pose_cursor;
}
int32_t scene_start_index() {
    return g_pose.scene_start_index;
}

int32_t pose_time(int32_t index) {
    if (index < 0 || index >= g_pose.count) return 0;
    return g_pose.poses[index].time_ms;
}
