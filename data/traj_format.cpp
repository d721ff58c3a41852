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
    if (n == 0) return 0;
    size_t fields = sep(p[0]) ^ 1u;  // the line's start counts as a separator
    size_t i = 1;                    // bytes counted so far
#if defined(__SSE2__)
    if (n > 16) {
        // Loads one byte apart give each byte's separator flag and its predecessor's;
        // a start adds 1 to its lane (0xFF subtracted), and a lane holds up to 255.
        const __m128i space = _mm_set1_epi8(' '), comma = _mm_set1_epi8(',');
        const __m128i tab = _mm_set1_epi8('\t'), newline = _mm_set1_epi8('\n');
        auto separators = [&](const unsigned char* at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, space), _mm_cmpeq_epi8(v, comma)),
                                _mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, newline)));
        };
        auto starts = [&](const unsigned char* at) {
            return _mm_andnot_si128(separators(at), separators(at - 1));
        };
        auto lane_sum = [](__m128i counts) {
            const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
            return static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
                   static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        };
        while (i + 16 <= n) {
            const size_t stop = std::min(n, i + 16 * 255);
            __m128i counts = _mm_setzero_si128();
            for (; i + 16 <= stop; i += 16) counts = _mm_sub_epi8(counts, starts(p + i));
            fields += lane_sum(counts);
        }
        if (i < n) {
            // The last 16 bytes of the line, less the ones counted already.
            const __m128i lane =
                _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
            const __m128i keep =
                _mm_cmpgt_epi8(lane, _mm_set1_epi8(static_cast<char>(15 - (n - i))));
            fields += lane_sum(
                _mm_sub_epi8(_mm_setzero_si128(), _mm_and_si128(keep, starts(p + n - 16))));
            i = n;
        }
    }
#endif
    for (; i < n; ++i) fields += sep(p[i - 1]) & (sep(p[i]) ^ 1u);
    return static_cast<int>(std::min(fields, static_cast<size_t>(limit)));
}
