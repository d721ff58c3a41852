// Feeds arbitrary bytes to the trajcolset.ini reader, over zeroed and over default
// settings, and checks what any input must leave behind.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "data/trajcolset.h"
#include "fuzz/fuzz_check.h"

namespace {

bool same(const RoleColours& a, const RoleColours& b) {
    auto same_real = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return a.frontid == b.frontid && a.leadid == b.leadid && a.lagid == b.lagid &&
           a.rearid == b.rearid && a.frontcol == b.frontcol && a.leadcol == b.leadcol &&
           a.lagcol == b.lagcol && a.rearcol == b.rearcol && a.egocol == b.egocol &&
           same_real(a.speedmin, b.speedmin) && same_real(a.speedmax, b.speedmax) &&
           a.trajcolseton == b.trajcolseton;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const RoleColours& start : {RoleColours{}, default_role_colours()}) {
        RoleColours once = start;
        apply_role_colour_text(text, once);
        CHECK(once.trajcolseton == 0 || once.trajcolseton == 1);
        // The last value of each key wins, so reading the file twice changes nothing.
        RoleColours twice = once;
        apply_role_colour_text(text, twice);
        CHECK(same(once, twice));
    }
    return 0;
}
