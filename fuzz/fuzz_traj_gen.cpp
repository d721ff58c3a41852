// Feeds arbitrary bytes to the Traj Gen reader and checks one point per data line
// (at least 3 characters counting its line end, a decimal digit first), each with
// the time its line begins with.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "data/number_text.h"
#include "data/sample_files.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<TrajGenPoint> points;
    uint64_t lines = 0;
    const PoseReadStatus status = read_traj_gen_text(text, points, lines);
    CHECK(status != PoseReadStatus::OutOfMemory && status != PoseReadStatus::TooManyLines);
    CHECK((status == PoseReadStatus::NoData) == (lines == 0));
    // A time beyond the 32-bit range refuses the whole text.
    const bool refused = status == PoseReadStatus::Invalid;
    CHECK(points.size() == (refused ? 0 : lines));
    bool out_of_range = false;

    // The data lines, found without the reader's help: a "\r" before the line end
    // belongs to the line end.
    size_t k = 0;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const bool has_end = nl != std::string_view::npos;
        std::string_view line = text.substr(0, has_end ? nl : text.size());
        text.remove_prefix(has_end ? nl + 1 : text.size());
        if (has_end && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() + (has_end ? 1 : 0) < 3 || line[0] < '0' || line[0] > '9') continue;
        const std::string_view time = line.substr(0, line.find_first_of(" ,\t"));
        if (!int_in_range(time)) out_of_range = true;
        if (refused) continue;
        CHECK(k < points.size());
        CHECK(points[k].time_ms == parse_int(time));
        ++k;
    }
    CHECK(refused == out_of_range);
    CHECK(k == points.size());
    return 0;
}
