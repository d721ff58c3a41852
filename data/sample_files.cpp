#include "data/sample_files.h"

#include <algorithm>
#include <new>

#include "data/number_text.h"
#include "data/text_input.h"
#include "data/traj_format.h"

namespace {

constexpr std::string_view kSeparators = " ,\t\n";
// A first field at or above this is a millisecond time, not an identifier.
constexpr int32_t kFirstTime = 10000;

bool starts_with_digit(std::string_view line) {
    return !line.empty() && line[0] >= '0' && line[0] <= '9';
}

// Numbers are written with a decimal point whatever the locale: the window's
// toolkit sets the user's locale, and "1,500" would read back as two fields.
std::string fixed3(double v) {
    return format_fixed(v, 3);
}

}  // namespace

int compare_by_start(const TrackSample& a, const TrackSample& b) {
    if (a.start_ms < b.start_ms) return -1;
    if (a.start_ms > b.start_ms) return 1;
    return 0;
}

SampleReadStatus read_sample_text(std::string_view text, std::vector<TrackSample>& records,
                                  TextFault* fault, std::vector<ShortenedSample>* shortened) {
    TextFault local_fault;
    TextFault& found = fault ? *fault : local_fault;
    records.clear();
    if (shortened) shortened->clear();
    // Counting pass; the first data line tells whether there is an identifier column.
    uint64_t n = 0;
    bool with_id = false;
    {
        BufferLines lines(text);
        std::string_view line;
        size_t length;
        for (uint64_t line_no = 1; lines.next(line, length); ++line_no) {
            if (length > kMaxLineLength) {
                found = TextFault{line_no, kLineTooLong};
                return SampleReadStatus::Invalid;
            }
            if (!starts_with_digit(line)) continue;
            if (n++ == 0) {
                TokenSplitter fields(line, kSeparators);
                std::string_view first;
                fields.next(first);
                with_id = parse_int(first) < kFirstTime;
            }
        }
    }
    if (n == 0) {
        found = TextFault{0, "no sample line"};
        return SampleReadStatus::NoData;
    }
    // Record 0 comes first, and the count of records is a 32-bit integer.
    if (n >= static_cast<uint64_t>(INT32_MAX)) {
        found = TextFault{0, kTooManyLines};
        return SampleReadStatus::TooManyLines;
    }
    try {
        records.resize(n + 1);
    } catch (const std::bad_alloc&) {
        records.clear();
        return SampleReadStatus::OutOfMemory;
    }
    BufferLines lines(text);
    std::string_view line;
    size_t length;
    int32_t k = 0;
    for (uint64_t line_no = 1; k < static_cast<int32_t>(n) && lines.next(line, length); ++line_no) {
        if (!starts_with_digit(line)) continue;
        TrackSample& s = records[static_cast<size_t>(++k)];
        TokenSplitter fields(line, kSeparators);
        std::string_view f;
        // A missing field reads as 0; one outside the 32-bit range refuses the text.
        bool in_range = true;
        auto next_int = [&](const char* field) {
            int32_t value = 0;
            if (in_range && fields.next(f))
                in_range = read_int_field(f, line_no, field, value, found);
            return value;
        };
        auto next_real = [&]() { return fields.next(f) ? parse_real(f) : 0.0; };
        s.sample_id = with_id ? next_int("sample id") : k;
        s.start_ms = next_int("start time");
        s.end_ms = next_int("end time");
        s.label = static_cast<uint8_t>(next_int("label") & 0xFF);
        if (!in_range) {
            records.clear();
            return SampleReadStatus::Invalid;
        }
        s.origin_x = next_real();
        s.origin_y = next_real();
        s.frame_heading = next_real();
        s.heading_offset = next_real();
        s.active = 1;
    }
    // Samples with equal starts keep their file order.
    std::stable_sort(
        records.begin() + 1, records.end(),
        [](const TrackSample& a, const TrackSample& b) { return compare_by_start(a, b) < 0; });
    for (size_t k2 = 1; k2 < records.size(); ++k2) {
        TrackSample& before = records[k2 - 1];
        if (records[k2].start_ms > before.end_ms) continue;
        const int32_t old_end = before.end_ms;
        before.end_ms =
            static_cast<int32_t>(std::max<int64_t>(int64_t{records[k2].start_ms} - 100, INT32_MIN));
        // Record 0 is no sample of the file.
        if (shortened && k2 > 1) shortened->push_back({before.sample_id, old_end, before.end_ms});
    }
    return SampleReadStatus::Ok;
}

PoseReadStatus read_traj_gen_text(std::string_view text, std::vector<TrajGenPoint>& points,
                                  uint64_t& lines, TextFault* fault) {
    TextFault local_fault;
    TextFault& found = fault ? *fault : local_fault;
    points.clear();
    lines = 0;
    auto is_data = [](std::string_view line, size_t length) {
        return length >= 3 && starts_with_digit(line);
    };
    BufferLines counter(text);
    std::string_view line;
    size_t length;
    for (uint64_t line_no = 1; counter.next(line, length); ++line_no) {
        if (length > kMaxLineLength) {
            found = TextFault{line_no, kLineTooLong};
            return PoseReadStatus::Invalid;
        }
        if (is_data(line, length)) ++lines;
    }
    if (lines == 0) return PoseReadStatus::NoData;
    if (lines > static_cast<uint64_t>(INT32_MAX)) {
        found = TextFault{0, kTooManyLines};
        return PoseReadStatus::TooManyLines;
    }
    try {
        points.resize(lines);
    } catch (const std::bad_alloc&) {
        points.clear();
        return PoseReadStatus::OutOfMemory;
    }
    BufferLines reader(text);
    size_t k = 0;
    for (uint64_t line_no = 1; k < points.size() && reader.next(line, length); ++line_no) {
        if (!is_data(line, length)) continue;
        TrajGenPoint& p = points[k++];
        TokenSplitter fields(line, kSeparators);
        std::string_view f;
        if (fields.next(f) && !read_int_field(f, line_no, "time", p.time_ms, found)) {
            points.clear();
            return PoseReadStatus::Invalid;
        }
        if (fields.next(f)) p.x = parse_real(f);
        if (fields.next(f)) p.y = parse_real(f);
    }
    return PoseReadStatus::Ok;
}

std::string sample_file_line(const TrackSample& s) {
    return format_int(s.sample_id) + '\t' + format_int(s.start_ms) + '\t' + format_int(s.end_ms) +
           '\t' + format_int(s.label) + '\t' + fixed3(s.origin_x) + '\t' + fixed3(s.origin_y) +
           '\t' + fixed3(s.frame_heading) + '\t' + fixed3(s.heading_offset) + '\n';
}

std::string pose_export_line(const PoseRecord& p, double heading_offset) {
    return format_int(p.time_ms) + '\t' + fixed3(p.aux1) + '\t' + fixed3(p.aux2) + '\t' +
           fixed3(p.heading + heading_offset) + '\t' + fixed3(p.x) + '\t' + fixed3(p.y) + '\t' +
           fixed3(p.aux3) + '\n';
}
