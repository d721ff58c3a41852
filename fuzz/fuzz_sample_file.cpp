// Feeds arbitrary bytes to the sample file reader and checks what it promises:
// one record per data line after record 0, record 0 inactive and zero, the samples
// active and sorted by start, each ending before the next starts wherever the cut
// fits in 32 bits; the written lines read back as the same samples.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "data/sample_files.h"
#include "fuzz/fuzz_check.h"

namespace {

// Lines beginning with a decimal digit, counted without the reader's help.
uint64_t data_lines(std::string_view text) {
    uint64_t n = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] >= '0' && text[pos] <= '9') ++n;
        const size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) break;
        pos = nl + 1;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<TrackSample> records;
    const SampleReadStatus status = read_sample_text(text, records);
    const uint64_t lines = data_lines(text);
    if (status == SampleReadStatus::NoData) {
        CHECK(lines == 0 && records.empty());
        return 0;
    }
    // A field beyond the 32-bit range refuses the whole text.
    if (status == SampleReadStatus::Invalid) {
        CHECK(lines > 0 && records.empty());
        return 0;
    }
    CHECK(status == SampleReadStatus::Ok);
    CHECK(records.size() == lines + 1);

    // Record 0 is zero, but for its end: the trimming compares sample 1 with it and
    // cuts it when sample 1 starts at or before 0.
    const TrackSample& zero = records[0];
    CHECK(zero.start_ms == 0 && zero.first_pose == 0 && zero.last_pose == 0);
    CHECK(zero.sample_id == 0 && zero.pose_count == 0 && zero.label == 0 && zero.active == 0);
    CHECK(zero.origin_x == 0 && zero.origin_y == 0);
    CHECK(zero.frame_heading == 0 && zero.heading_offset == 0);
    CHECK(zero.end_ms == 0 || (records[1].start_ms <= 0 && zero.end_ms < records[1].start_ms) ||
          records[1].start_ms < std::numeric_limits<int32_t>::min() + 100);

    bool round_trips = records[1].sample_id < 10000;
    std::string written;
    for (size_t k = 1; k < records.size(); ++k) {
        const TrackSample& s = records[k];
        CHECK(s.active == 1);
        CHECK(s.first_pose == 0 && s.last_pose == 0 && s.pose_count == 0);
        CHECK(records[k - 1].start_ms <= s.start_ms || k == 1);
        CHECK(records[k - 1].end_ms < s.start_ms ||
              s.start_ms < std::numeric_limits<int32_t>::min() + 100);
        // A negative identifier starts its line with '-', which no data line does.
        if (s.sample_id < 0) round_trips = false;
        written += sample_file_line(s);
    }
    if (!round_trips) return 0;
    std::vector<TrackSample> again;
    CHECK(read_sample_text(written, again) == SampleReadStatus::Ok);
    CHECK(again.size() == records.size());
    for (size_t k = 1; k < records.size(); ++k) {
        CHECK(again[k].sample_id == records[k].sample_id);
        CHECK(again[k].start_ms == records[k].start_ms);
        CHECK(again[k].end_ms == records[k].end_ms);
        CHECK(again[k].label == records[k].label);
    }
    return 0;
}
