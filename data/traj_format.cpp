#include "data/traj_format.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

TrajLineKind classify_traj_line(std::string_view line) {
    if (line.size() >= 3 && (line[0] == 't' || line[0] == 'T') &&
        (line[1] == 'n' || line[1] == 'N') && (line[2] == 'o' || line[2] == 'O')) {
        return TrajLineKind::Header;
    }
    if (!line.empty() && line[0] >= '0' && line[0] <= '9') return TrajLineKind::Data;
    return TrajLineKind::Other;
}

TokenSplitter::TokenSplitter(std::string_view text, std::string_view separators) : rest_(text) {
    for (char c : separators) is_sep_[static_cast<unsigned char>(c)] = true;
}

bool TokenSplitter::next(std::string_view& token) {
    size_t i = 0;
    const size_t n = rest_.size();
    while (i < n && is_sep_[static_cast<unsigned char>(rest_[i])]) ++i;
    if (i == n) {
        rest_ = {};
        return false;
    }
    size_t j = i;
    while (j < n && !is_sep_[static_cast<unsigned char>(rest_[j])]) ++j;
    token = rest_.substr(i, j - i);
    rest_ = rest_.substr(j);
    return true;
}

int32_t traj_header_id(std::string_view line) {
    TokenSplitter split(line, kHeaderSeparators);
    std::string_view token;
    if (!split.next(token) || !split.next(token)) return 0;
    return parse_int(token);
}

int parse_traj_sample(std::string_view line, TrajSample& out) {
    out = TrajSample{};
    TokenSplitter split(line, kDataSeparators);
    std::string_view token;
    int fields = 0;
    while (fields < kTrajFieldCount && split.next(token)) {
        if (fields == 0) {
            out.time_ms = parse_int(token);
        } else if (fields == 1) {
            out.frame = parse_int(token);
        } else {
            out.reals[fields - 2] = parse_real(token);
        }
        ++fields;
    }
    return fields;
}

int count_traj_fields(std::string_view line, int limit) {
    // A field starts wherever a separator (or the line's start) is followed by a
    // non-separator. Every sample line passes through here, so the common case
    // works on 16 bytes at a time.
    auto sep = [](unsigned char c) -> unsigned {
        return (c == ' ') | (c == ',') | (c == '\t') | (c == '\n');
    };
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const size_t n = line.size();
    unsigned fields = 0;
    unsigned prev_sep = 1;  // the line's start counts as a separator
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(' '), comma = _mm_set1_epi8(',');
    const __m128i tab = _mm_set1_epi8('\t'), newline = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i s =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, space), _mm_cmpeq_epi8(v, comma)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, newline)));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(s));
        const unsigned before = (mask << 1) | prev_sep;  // separator bit of each byte's predecessor
        fields += static_cast<unsigned>(__builtin_popcount(before & ~mask & 0xFFFFu));
        prev_sep = (mask >> 15) & 1u;
    }
#endif
    for (; i < n; ++i) {
        const unsigned s = sep(p[i]);
        fields += prev_sep & (s ^ 1u);
        prev_sep = s;
    }
    return std::min(static_cast<int>(fields), limit);
}
