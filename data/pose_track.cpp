#include "data/pose_track.h"

#include <cctype>
#include <cstdio>
#include <limits>
#include <new>

#include "data/scene.h"
#include "data/traj_format.h"

namespace {

constexpr std::string_view kPoseSeparators = " ,\t\n";
constexpr size_t kProgressStep = size_t{1} << 20;

// A data line has at least 3 characters, its line end counted, and starts with
// a decimal digit.
bool is_pose_data_line(std::string_view line, size_t length) {
    return length >= 3 && !line.empty() && line[0] >= '0' && line[0] <= '9';
}

// Counts the data lines; false, with fault set, at a line longer than kMaxLineLength.
bool count_pose_lines(std::string_view text, uint64_t& n, TextFault& fault) {
    BufferLines reader(text);
    std::string_view line;
    size_t length;
    n = 0;
    for (uint64_t line_no = 1; reader.next(line, length); ++line_no) {
        if (length > kMaxLineLength) {
            fault = TextFault{line_no, kLineTooLong};
            return false;
        }
        if (is_pose_data_line(line, length)) ++n;
    }
    return true;
}

int64_t time_distance(int32_t a, int32_t b) {
    int64_t d = static_cast<int64_t>(a) - b;
    return d < 0 ? -d : d;
}

// Parses data line line_no into rec. Returns Parsed, or Short when the line lacks a
// column, or Faulty with fault set when an integer field lies outside the 32-bit
// range.
enum class LineResult { Parsed, Short, Faulty };
using LineParser = LineResult (*)(std::string_view line, uint64_t line_no, PoseRecord& rec,
                                  TextFault& fault);

LineResult parse_pose_columns(TokenSplitter& tokens, uint64_t line_no, PoseRecord& rec,
                              TextFault& fault) {
    std::string_view token;
    if (!tokens.next(token)) return LineResult::Short;
    if (!read_int_field(token, line_no, "time", rec.time_ms, fault)) return LineResult::Faulty;
    double* reals[6] = {&rec.aux1, &rec.aux2, &rec.heading, &rec.x, &rec.y, &rec.aux3};
    for (double* r : reals) {
        if (!tokens.next(token)) return LineResult::Short;
        *r = parse_real(token);
    }
    return LineResult::Parsed;
}

LineResult parse_nav_line(std::string_view line, uint64_t line_no, PoseRecord& rec,
                          TextFault& fault) {
    TokenSplitter tokens(line, kPoseSeparators);
    return parse_pose_columns(tokens, line_no, rec, fault);
}

LineResult parse_pos_line(std::string_view line, uint64_t line_no, PoseRecord& rec,
                          TextFault& fault) {
    TokenSplitter tokens(line, kPoseSeparators);
    std::string_view seq_no;
    tokens.next(seq_no);
    if (!read_int_field(seq_no, line_no, "sequence number", rec.seq_no, fault))
        return LineResult::Faulty;
    return parse_pose_columns(tokens, line_no, rec, fault);
}

LineResult parse_origin_line(std::string_view line, uint64_t line_no, PoseRecord& rec,
                             TextFault& fault) {
    TokenSplitter tokens(line, kPoseSeparators);
    std::string_view t[7];
    for (auto& token : t) {
        if (!tokens.next(token)) return LineResult::Short;
    }
    rec = PoseRecord{};
    if (!read_int_field(t[1], line_no, "time", rec.time_ms, fault)) return LineResult::Faulty;
    rec.x = parse_real(t[4]);
    rec.y = parse_real(t[5]);
    rec.heading = parse_real(t[6]);
    return LineResult::Parsed;
}

PoseReadStatus read_records(std::string_view text, LineParser parse, std::vector<PoseRecord>& out,
                            int32_t& count, uint64_t& lines, ProgressMeter* meter,
                            TextFault* fault) {
    TextFault local_fault;
    TextFault& found = fault ? *fault : local_fault;
    auto refuse = [&](PoseReadStatus status) {
        out.clear();
        out.shrink_to_fit();
        count = 0;
        return status;
    };
    out.clear();
    out.shrink_to_fit();
    count = 0;
    if (!count_pose_lines(text, lines, found)) return PoseReadStatus::Invalid;
    if (lines == 0) return PoseReadStatus::NoData;
    if (lines > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
        found = TextFault{0, kTooManyLines};
        return PoseReadStatus::TooManyLines;
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
    for (uint64_t line_no = 1; reader.next(line, length); ++line_no) {
        if (meter && reader.offset() >= next_report) {
            meter->update(text.size() + reader.offset());
            next_report = reader.offset() + kProgressStep;
        }
        if (!is_pose_data_line(line, length)) continue;
        if (count >= static_cast<int32_t>(lines)) break;
        PoseRecord rec;
        const LineResult result = parse(line, line_no, rec, found);
        if (result == LineResult::Faulty) return refuse(PoseReadStatus::Invalid);
        if (result == LineResult::Short) break;
        out[count++] = rec;
    }
    return PoseReadStatus::Ok;
}

// Load failures go to the standard error stream without a line end; the caller
// may show them elsewhere too.
void write_stderr(const std::string& message, std::string* failure) {
    if (failure) *failure = message;
    std::fputs(message.c_str(), stderr);
    std::fflush(stderr);
}

// Parses text (read from path, or held in memory under that name) with parse into
// records; messages as load_pose_track.
int parse_records(std::string_view text, const std::string& path, LineParser parse,
                  std::vector<PoseRecord>& records, int32_t& count, std::string* failure,
                  ProgressMeter* meter) {
    uint64_t lines = 0;
    TextFault fault;
    switch (read_records(text, parse, records, count, lines, meter, &fault)) {
        case PoseReadStatus::Ok:
            if (count > 0) return 1;
            // Lines that look like data but hold no pose: a load that keeps nothing
            // must say so rather than leave an empty view without a word.
            [[fallthrough]];
        case PoseReadStatus::NoData:
            write_stderr("Invalid data : " + path, failure);
            break;
        case PoseReadStatus::Invalid:
        case PoseReadStatus::TooManyLines:
            write_stderr("Invalid data : " + path + "\n" + fault_detail(path, fault), failure);
            break;
        case PoseReadStatus::OutOfMemory:
            write_stderr("Memory failure : " + std::to_string(lines) + " records", failure);
            break;
    }
    records.clear();
    records.shrink_to_fit();
    count = 0;
    return 0;
}

// Reads path and parses it with parse into records; messages as load_pose_track.
// The records change only once the file has been read (*read set then).
int load_records(const std::string& path, LineParser parse, std::vector<PoseRecord>& records,
                 int32_t& count, std::string* failure, const LoadProgress& progress,
                 bool* read = nullptr) {
    ProgressMeter meter(progress);
    TextBuffer text;
    if (read_text_file(path, text, &meter) != ReadTextStatus::Ok) {
        write_stderr("Open data failure : " + path, failure);
        return 0;
    }
    if (read) *read = true;
    return parse_records(text.view(), path, parse, records, count, failure, &meter);
}

}  // namespace

int load_pose_text(PoseTrack& track, std::string_view text, const std::string& name,
                   std::string* failure) {
    free_pose_track(track);
    return parse_records(text, name, parse_nav_line, track.poses, track.count, failure, nullptr);
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

int pose_track_loaded(const PoseTrack& track) {
    return track.count > 0 ? 1 : 0;
}
int origin_track_loaded(const OriginTrack& track) {
    return track.count > 0 ? 1 : 0;
}

void free_pose_track(PoseTrack& track) {
    track = PoseTrack{};
}
void free_origin_track(OriginTrack& track) {
    track = OriginTrack{};
}

PoseReadStatus read_pose_text(std::string_view text, bool nav, std::vector<PoseRecord>& out,
                              int32_t& count, uint64_t& lines, ProgressMeter* meter,
                              TextFault* fault) {
    return read_records(text, nav ? parse_nav_line : parse_pos_line, out, count, lines, meter,
                        fault);
}

PoseReadStatus read_origin_text(std::string_view text, std::vector<PoseRecord>& out, int32_t& count,
                                uint64_t& lines, ProgressMeter* meter, TextFault* fault) {
    return read_records(text, parse_origin_line, out, count, lines, meter, fault);
}

int load_pose_track(PoseTrack& track, const std::string& path, int nav, std::string* failure,
                    const LoadProgress& progress, bool keep_on_open_failure) {
    if (!keep_on_open_failure) free_pose_track(track);
    bool read = false;
    const int loaded = load_records(path, nav ? parse_nav_line : parse_pos_line, track.poses,
                                    track.count, failure, progress, &read);
    if (read) track.pose_cursor = track.scene_start_index = 0;
    return loaded;
}

int load_origin_track(OriginTrack& track, const std::string& path, std::string* failure,
                      const LoadProgress& progress) {
    free_origin_track(track);
    return load_records(path, parse_origin_line, track.points, track.count, failure, progress);
}

void reset_pose_cursor(PoseTrack& track) {
    if (pose_track_loaded(track)) track.pose_cursor = 0;
}

int advance_pose_cursor(PoseTrack& track, int32_t t) {
    if (!pose_track_loaded(track)) return 0;
    const PoseRecord* poses = track.poses.data();
    for (int32_t i = track.pose_cursor; i < track.count - 1;) {
        int32_t here = poses[i].time_ms;
        int32_t after = poses[i + 1].time_ms;
        if (here > t) return 1;
        if (after >= t) {
            if (static_cast<int64_t>(after) - t < static_cast<int64_t>(t) - here) {
                track.pose_cursor = i + 1;
            }
            return 1;
        }
        if (here == t) return 1;
        ++i;
        track.pose_cursor = i;
    }
    return 0;
}

void find_scene_origin(Scene& scene, int32_t t) {
    if (t == 0) return;
    const OriginTrack& origin = scene.origin;
    if (origin_track_loaded(origin)) {
        const PoseRecord* best = &origin.points[0];
        for (int32_t i = 1; i < origin.count; ++i) {
            const PoseRecord& p = origin.points[i];
            if (time_distance(p.time_ms, t) < time_distance(best->time_ms, t)) best = &p;
        }
        scene.scene_origin = SceneOrigin{best->x, best->y, best->heading};
        return;
    }
    PoseTrack& track = scene.pose;
    if (track.count < 2) return;
    const PoseRecord* poses = track.poses.data();
    int32_t taken = -1;
    for (int32_t i = 0; i < track.count - 1; ++i) {
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
    scene.scene_origin = SceneOrigin{p.x, p.y, p.heading};
    track.scene_start_index = taken;
}

void get_cursor_pose(const PoseTrack& track, Vec2& position, double& heading) {
    if (!pose_track_loaded(track) || track.pose_cursor < 0 || track.pose_cursor >= track.count) {
        position = Vec2{};
        heading = 0;
        return;
    }
    const PoseRecord& p = track.poses[track.pose_cursor];
    position = Vec2{p.x, p.y};
    heading = p.heading;
}

int32_t pose_time(const PoseTrack& track, int32_t index) {
    if (index < 0 || index >= track.count) return 0;
    return track.poses[index].time_ms;
}
