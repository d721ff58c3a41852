#include "data/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace {

bool is_c_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view skip_space(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && is_c_space(s[i])) ++i;
    return s.substr(i);
}

}  // namespace

int32_t parse_int(std::string_view token) {
    std::string_view s = skip_space(token);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    // Accumulate in 64 bits and saturate, so that long digit runs cannot overflow.
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        if (value < kLimit) value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

bool int_in_range(std::string_view token) {
    std::string_view s = skip_space(token);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
    int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > limit) return false;
    }
    return true;
}

double parse_real(std::string_view token) {
    std::string_view s = skip_space(token);
    bool negative = false;
    // from_chars takes a '-' but not a '+'; C's strtod takes both.
    if (!s.empty() && s[0] == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s[0] == '-' || s[0] == '+')) return 0;  // "+-1" is no number
    }
    double value = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Out of range: strtod gives ±HUGE_VAL for overflow and a tiny value or 0 for
        // underflow; read the sign and magnitude from the text again.
        negative = !s.empty() && s[0] == '-';
        std::string_view digits = negative ? s.substr(1) : s;
        size_t e = digits.find_first_of("eE");
        bool tiny = e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-';
        double mag = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        return negative ? -mag : mag;
    }
    if (ec != std::errc()) return 0;
    (void)ptr;
    return value;
}

bool parse_whole_int(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    int v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end) return false;
    value = v;
    return true;
}

bool parse_whole_real(std::string_view text, double& value) {
    const char* end = text.data() + text.size();
    double v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end) return false;
    value = v;
    return true;
}

std::string format_fixed(double value, int decimals) {
    char small[64];
    auto res =
        std::to_chars(small, small + sizeof small, value, std::chars_format::fixed, decimals);
    if (res.ec == std::errc()) return std::string(small, res.ptr);
    // 1e300 needs some 300 digits.
    std::vector<char> big(512 + static_cast<size_t>(decimals > 0 ? decimals : 0));
    res = std::to_chars(big.data(), big.data() + big.size(), value, std::chars_format::fixed,
                        decimals);
    return res.ec == std::errc() ? std::string(big.data(), res.ptr) : std::string("0");
}

std::string format_int(long long value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}
