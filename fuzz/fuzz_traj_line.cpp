// Feeds arbitrary bytes to the TRAJ line reading functions, one line at a time.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/traj_format.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl == std::string_view::npos ? nl : nl + 1);
        text.remove_prefix(line.size());
        switch (classify_traj_line(line)) {
            case TrajLineKind::Header:
                (void)traj_header_id(line);
                break;
            case TrajLineKind::Data: {
                TrajSample sample;
                const int fields = parse_traj_sample(line, sample);
                CHECK(fields == count_traj_fields(line));
                break;
            }
            case TrajLineKind::Other:
                break;
        }
        (void)parse_real(line);
        (void)parse_int(line);
    }
    return 0;
}
