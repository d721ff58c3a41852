// Runs the cutter over arbitrary input with a window taken from the input's first
// bytes, and checks that every way of feeding it (the whole text at once, line by
// line, read from a file in blocks of several sizes) writes exactly what a plain
// line-by-line cut writes, and stops at the same sample whose time lies beyond the
// 32-bit range.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "extract/traj_cut.h"
#include "fuzz/fuzz_check.h"

namespace {

class MemoryOutput : public CutOutput {
  public:
    bool open() override {
        CHECK(!opened);
        opened = true;
        return true;
    }
    void write(std::string_view text) override {
        CHECK(opened);
        CHECK(!text.empty());
        bytes.append(text);
    }
    bool opened = false;
    std::string bytes;
};

// The boundary sample at the window's edge between samples a and b; none when the
// sample inside lies on the edge.
std::string boundary(std::string_view a_line, std::string_view b_line, bool frame_from_a,
                     int64_t lo, int64_t hi) {
    TrajSample a, b;
    parse_traj_sample(a_line, a);
    parse_traj_sample(b_line, b);
    if (a.time_ms == b.time_ms) return "";
    const TrajSample& outside = frame_from_a ? a : b;
    const TrajSample& inside = frame_from_a ? b : a;
    const int64_t edge = outside.time_ms < lo ? lo : hi;
    if (inside.time_ms == edge) return "";  // the sample on the edge is the boundary
    const double w =
        (static_cast<double>(edge) - a.time_ms) / (static_cast<double>(b.time_ms) - a.time_ms);
    double v[kTrajRealCount];
    for (int k = 0; k < kTrajRealCount; ++k) v[k] = a.reals[k] + w * (b.reals[k] - a.reals[k]);
    const char* format = "%d,%d,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\n";
    const int n = std::snprintf(nullptr, 0, format, static_cast<int32_t>(edge), outside.frame, v[0],
                                v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
    std::vector<char> text(static_cast<size_t>(n) + 1);
    std::snprintf(text.data(), text.size(), format, static_cast<int32_t>(edge), outside.frame, v[0],
                  v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
    return std::string(text.data(), static_cast<size_t>(n));
}

// The cut written plainly, one line at a time, every sample parsed whole; it stops
// at a sample of a trajectory whose time is out of range (bad_line, from 1; 0 none).
std::string reference_cut(std::string_view text, const CutWindow& window, bool& opened,
                          uint64_t& bad_line) {
    const int64_t lo =
        window.st_milli == kOpenBound ? std::numeric_limits<int64_t>::min() : window.st_milli;
    const int64_t hi =
        window.ed_milli == kOpenBound ? std::numeric_limits<int64_t>::max() : window.ed_milli;
    std::string out;
    bool in_traj = false;
    int32_t id = 0;
    int samples = 0;      // samples of this trajectory so far
    bool in_run = false;  // the previous sample was inside the window
    std::string prev;
    opened = false;
    bad_line = 0;
    uint64_t line_no = 0;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl == std::string_view::npos ? nl : nl + 1);
        text.remove_prefix(line.size());
        ++line_no;
        const TrajLineKind kind = classify_traj_line(line);
        if (kind == TrajLineKind::Data && in_traj && !int_in_range(line)) {
            bad_line = line_no;
            break;
        }
        if (kind == TrajLineKind::Header) {
            id = traj_header_id(line);
            in_traj = true;
            samples = 0;
            in_run = false;
        }
        TrajSample sample;
        if (kind != TrajLineKind::Data || !in_traj ||
            parse_traj_sample(line, sample) < kTrajFieldCount) {
            continue;
        }
        if (lo <= sample.time_ms && sample.time_ms <= hi) {
            opened = true;
            if (!in_run) {
                out += "tno=" + std::to_string(id) + "\n";
                if (samples > 0) out += boundary(prev, line, true, lo, hi);
                in_run = true;
            }
            out += line;
        } else if (in_run) {
            out += boundary(prev, line, false, lo, hi);
            in_run = false;
        }
        ++samples;
        prev = line;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CutWindow window;
    if (size >= 8) {
        std::memcpy(&window.st_milli, data, 4);
        std::memcpy(&window.ed_milli, data + 4, 4);
        data += 8;
        size -= 8;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    bool opened = false;
    uint64_t bad_line = 0;
    const std::string want = reference_cut(text, window, opened, bad_line);

    auto check = [&](const MemoryOutput& out, const TrajCutter& cutter) {
        CHECK(cutter.wrote_output() == opened);
        CHECK(out.opened == opened);
        CHECK(out.bytes == want);
        CHECK(cutter.bad_time_line() == bad_line);
    };
    {
        MemoryOutput out;
        TrajCutter cutter(window, out);
        CHECK(cutter.feed(text) == (bad_line == 0));
        check(out, cutter);
    }
    {
        MemoryOutput out;
        TrajCutter cutter(window, out);
        for (std::string_view rest = text; !rest.empty();) {
            const size_t nl = rest.find('\n');
            const std::string_view line =
                rest.substr(0, nl == std::string_view::npos ? nl : nl + 1);
            rest.remove_prefix(line.size());
            if (!cutter.feed(line)) break;
        }
        check(out, cutter);
    }
    // Blocks far smaller than the lines, a size set by the input, and one larger than any input.
    if (size == 0) return 0;  // an in-memory file cannot be empty
    for (const size_t block_size : {size_t{1}, 2 + size % 61, size_t{1} << 13}) {
        std::FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
        CHECK(in != nullptr);
        MemoryOutput out;
        TrajCutter cutter(window, out);
        CHECK(cut_traj_stream(in, cutter, block_size) ==
              (bad_line ? CutStop::BadTime : CutStop::Done));
        std::fclose(in);
        check(out, cutter);
    }
    return 0;
}
