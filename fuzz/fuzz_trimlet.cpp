// Runs the cutter over arbitrary input with a window taken from the input's first
// bytes, writing into memory.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "extract/traj_cut.h"
#include "fuzz/fuzz_check.h"

namespace {

class MemoryOutput : public CutOutput {
  public:
    bool open() override { return true; }
    void write(std::string_view text) override {
        CHECK(!text.empty());
        bytes += text.size();
    }
    size_t bytes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CutWindow window;
    if (size >= 8) {
        std::memcpy(&window.st_milli, data, 4);
        std::memcpy(&window.ed_milli, data + 4, 4);
        data += 8;
        size -= 8;
    }
    MemoryOutput out;
    TrajCutter cutter(window, out);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl == std::string_view::npos ? nl : nl + 1);
        text.remove_prefix(line.size());
        cutter.feed(line);
    }
    return 0;
}
