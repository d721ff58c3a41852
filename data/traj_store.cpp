#include "data/traj_store.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "data/geometry.h"
#include "data/report.h"
#include "data/traj_format.h"

namespace {

TrajStore g_store;

// Separators of a data line; '\n' never occurs inside a line.
inline bool is_data_separator(char c) {
    return c == ' ' || c == ',' || c == '\t' || c == '\n';
}

inline bool is_digit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// Moves p past separators; false when the line has no further token.
inline bool skip_separators(const char*& p, const char* end) {
    while (p < end && is_data_separator(*p)) ++p;
    return p < end;
}

inline const char* token_end(const char* p, const char* end) {
    while (p < end && !is_data_separator(*p)) ++p;
    return p;
}

// Reads the integer token at p and moves p past it. The common shape (optional
// '-', at most nine digits) is read here; anything else goes to parse_int, so
// the value is always parse_int's.
inline int32_t read_int_token(const char*& p, const char* end) {
    const char* q = p;
    bool negative = false;
    if (*q == '-') {
        negative = true;
        ++q;
    }
    const char* digits = q;
    uint32_t value = 0;
    while (q < end && is_digit(*q) && q - digits < 9) {
        value = value * 10 + static_cast<uint32_t>(*q - '0');
        ++q;
    }
    if (q != digits && (q == end || is_data_separator(*q))) {
        p = q;
        return negative ? -static_cast<int32_t>(value) : static_cast<int32_t>(value);
    }
    const char* e = token_end(p, end);
    int32_t slow = parse_int(std::string_view(p, static_cast<size_t>(e - p)));
    p = e;
    return slow;
}

// Reads the real token at p and moves p past it. parse_real reads a token with
// from_chars once leading white space and a '+' are skipped; a token without
// those is read here with from_chars straight from the line (it stops at the
// separator at the latest), and anything else, or a value out of range, goes to
// parse_real itself. So the value is always parse_real's.
inline double read_real_token(const char*& p, const char* end) {
    // Plain decimals ("-12.345") with at most 15 digits: the digits as an integer
    // and a power of ten are both exact doubles, so one division gives the
    // correctly rounded value, the same that from_chars gives.
    {
        static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const char* q = p;
        bool negative = *q == '-';
        if (negative) ++q;
        uint64_t mantissa = 0;
        int digits = 0, decimals = 0;
        while (q < end && is_digit(*q)) {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*q - '0');
            ++digits;
            ++q;
        }
        if (q < end && *q == '.') {
            ++q;
            while (q < end && is_digit(*q)) {
                mantissa = mantissa * 10 + static_cast<uint64_t>(*q - '0');
                ++digits;
                ++decimals;
                ++q;
            }
        }
        if (digits > 0 && digits <= 15 && (q == end || is_data_separator(*q))) {
            double value = static_cast<double>(mantissa) / kPow10[decimals];
            p = q;
            return negative ? -value : value;
        }
    }
    char c = *p;
    if (c != '+' && c != '\r' && c != '\v' && c != '\f') {
        double value = 0;
        auto [ptr, ec] = std::from_chars(p, end, value);
        if (ec == std::errc()) {
            p = (ptr == end || is_data_separator(*ptr)) ? ptr : token_end(ptr, end);
            return value;
        }
    }
    const char* e = token_end(p, end);
    double slow = parse_real(std::string_view(p, static_cast<size_t>(e - p)));
    p = e;
    return slow;
}

// Parses the fields of a data line into slot; returns the number of fields the
// line has, capped at 13.
inline int parse_sample_line(const char* p, const char* end, TrajPoint& slot) {
    // The line starts with a digit, so the time token exists.
    slot.time_ms = read_int_token(p, end);
    if (!skip_separators(p, end)) return 1;
    slot.frame = read_int_token(p, end);
    double reals[kTrajRealCount];
    int fields = 2;
    for (; fields < kTrajFieldCount; ++fields) {
        if (!skip_separators(p, end)) return fields;
        reals[fields - 2] = read_real_token(p, end);
    }
    slot.x = reals[0];
    slot.y = reals[1];
    slot.length = reals[2];
    slot.width = reals[3];
    slot.head_x = reals[4];
    slot.head_y = reals[5];
    slot.ego_x = reals[6];
    slot.ego_y = reals[7];
    slot.ego_head_x = reals[8];
    slot.ego_head_y = reals[9];
    slot.speed = reals[10];
    return kTrajFieldCount;
}

inline TrajLineKind line_kind(const char* p, const char* content_end) {
    if (p == content_end) return TrajLineKind::Other;
    if (is_digit(*p)) return TrajLineKind::Data;
    return classify_traj_line(std::string_view(p, static_cast<size_t>(content_end - p)));
}

inline int64_t time_gap(const TrajPoint& a, const TrajPoint& b) {
    int64_t d = static_cast<int64_t>(a.time_ms) - b.time_ms;
    return d < 0 ? -d : d;
}

constexpr int kMaxNeighbours = 5;
constexpr int64_t kNeighbourGapMs = 1000;

// b(j): samples j-1, j-2, ... taken while each is within 1000 ms of sample j.
inline int backward_count(const TrajPoint* s, int32_t j) {
    int b = 0;
    while (b < kMaxNeighbours && j - b - 1 >= 0 && time_gap(s[j - b - 1], s[j]) <= kNeighbourGapMs)
        ++b;
    return b;
}

// f(j): the same forward, never past the last sample.
inline int forward_count(const TrajPoint* s, int32_t n, int32_t j) {
    int f = 0;
    while (f < kMaxNeighbours && j + f + 1 < n && time_gap(s[j + f + 1], s[j]) <= kNeighbourGapMs)
        ++f;
    return f;
}

constexpr size_t kProgressStep = size_t{1} << 20;

}  // namespace

TrajStore& traj_store() {
    return g_store;
}

int compare_by_frame(const TrajPoint& a, const TrajPoint& b) {
    if (a.frame > b.frame) return 1;
    if (a.frame < b.frame) return -1;
    return 0;
}

void clear_traj_store(TrajStore& store) {
    store = TrajStore{};
}

void free_traj_store() {
    clear_traj_store(g_store);
}

int traj_store_loaded() {
    return g_store.entry_count > 0 ? 1 : 0;
}

void recompute_speeds(TrajPoint* s, int32_t n) {
    for (int32_t j = 1; j <= n - 2; ++j) {
        int b = backward_count(s, j);
        int f = forward_count(s, n, j);
        if (b == 0 && f == 0) {
            s[j].speed = s[j - 1].speed;
            continue;
        }
        const TrajPoint& start = s[j - b];
        const TrajPoint& end = s[j + f];
        int64_t dt = std::max<int64_t>(time_gap(end, start), 1);
        double dx = end.x - start.x;
        double dy = end.y - start.y;
        s[j].speed = std::sqrt(dx * dx + dy * dy) / (static_cast<double>(dt) / 1000.0);
    }
    if (n >= 2) s[0].speed = s[1].speed;
}

void smooth_trajectory(TrajPoint* s, int32_t n, TrajPoint* work) {
    if (n < 3) return;
    std::copy(s, s + n, work);

    // Sizes: the mean over the middle samples, k = trunc(0.2 n) cut at each end
    // (n / 5 is the same number for every n).
    int32_t k = n / 5;
    double sum_length = 0, sum_width = 0;
    for (int32_t i = k; i <= n - 1 - k; ++i) {
        sum_length += s[i].length;
        sum_width += s[i].width;
    }
    double mean_length = sum_length / (n - 2 * k);
    double mean_width = sum_width / (n - 2 * k);
    for (int32_t i = 0; i < n; ++i) {
        work[i].length = mean_length;
        work[i].width = mean_width;
    }

    // Positions and speeds. A sample without neighbours on one side keeps its
    // values, but the windows after it read the speed of the sample before it in
    // its place; the first sample has none before it and keeps its own.
    for (int32_t j = 0; j < n; ++j) {
        int b = backward_count(s, j);
        int f = forward_count(s, n, j);
        if (b == 0 || f == 0) {
            if (j > 0) s[j].speed = s[j - 1].speed;
            continue;
        }
        int w = std::min(b, f);
        double sx = 0, sy = 0, sv = 0;
        for (int32_t i = j - w; i <= j + w; ++i) {
            sx += s[i].x;
            sy += s[i].y;
            sv += s[i].speed;
        }
        double m = 2 * w + 1;
        work[j].x = sx / m;
        work[j].y = sy / m;
        work[j].speed = sv / m;
    }

    // Headings from the smoothed positions; the ends copy their inner neighbour.
    for (int32_t j = 1; j <= n - 2; ++j) {
        Vec2 d{work[j + 1].x - work[j - 1].x, work[j + 1].y - work[j - 1].y};
        vec_normalize(d);
        work[j].head_x = d.x;
        work[j].head_y = d.y;
    }
    work[0].head_x = work[1].head_x;
    work[0].head_y = work[1].head_y;
    work[n - 1].head_x = work[n - 2].head_x;
    work[n - 1].head_y = work[n - 2].head_y;

    // Ego frame: R turns the stored ego-frame heading into the stored world
    // heading and O is the ego frame's origin; both come from the stored values,
    // so the ego pose each sample implies stays where it was.
    for (int32_t j = 0; j < n; ++j) {
        const TrajPoint& old = s[j];
        double c = old.head_x * old.ego_head_x + old.head_y * old.ego_head_y;
        double sn = old.head_y * old.ego_head_x - old.head_x * old.ego_head_y;
        Mat2 rot;
        rot.m00 = c;
        rot.m01 = -sn;
        rot.m10 = sn;
        rot.m11 = c;
        Vec2 origin{old.x, old.y};
        Vec2 ego{old.ego_x, old.ego_y};
        vec_rotate(ego, rot);
        vec_sub(origin, ego);

        Vec2 p{work[j].x, work[j].y};
        vec_sub(p, origin);
        vec_rotate_inverse(p, rot);
        work[j].ego_x = p.x;
        work[j].ego_y = p.y;
        Vec2 h{work[j].head_x, work[j].head_y};
        vec_rotate_inverse(h, rot);
        work[j].ego_head_x = h.x;
        work[j].ego_head_y = h.y;
    }

    std::copy(work, work + n, s);
}

TrajReadStatus read_traj_text(std::string_view text, TrajStore& store, ProgressMeter* meter) {
    clear_traj_store(store);
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const uint64_t progress_base = text.size();

    // First pass: count header lines and data lines.
    uint64_t headers = 0, data_lines = 0;
    for (const char* p = begin; p < end;) {
        const char *content_end, *next;
        find_line(p, end, content_end, next);
        switch (line_kind(p, content_end)) {
            case TrajLineKind::Header:
                ++headers;
                break;
            case TrajLineKind::Data:
                ++data_lines;
                break;
            case TrajLineKind::Other:
                break;
        }
        p = next;
    }
    if (headers == 0 || data_lines == 0) return TrajReadStatus::Invalid;
    // The arrays are indexed with 32-bit integers.
    constexpr uint64_t kMaxCount = std::numeric_limits<int32_t>::max();
    if (headers > kMaxCount || data_lines > kMaxCount) return TrajReadStatus::OutOfMemory;

    try {
        store.entries.resize(headers);
    } catch (const std::bad_alloc&) {
        clear_traj_store(store);
        return TrajReadStatus::OutOfMemory;
    }
    if (!store.samples.allocate(data_lines)) {
        clear_traj_store(store);
        return TrajReadStatus::OutOfMemory;
    }
    const int32_t entry_total = static_cast<int32_t>(headers);
    const int32_t sample_total = static_cast<int32_t>(data_lines);
    store.sample_capacity = sample_total;

    // Second pass.
    int32_t k = -1;  // current trajectory
    int32_t m = 0;   // samples stored
    bool have_time = false;
    int32_t min_time = 0, max_time = 0;
    TrajEntry* entry = nullptr;
    const char* next_report = begin + kProgressStep;
    for (const char* p = begin; p < end;) {
        const char *content_end, *next;
        find_line(p, end, content_end, next);
        if (meter && p >= next_report) {
            meter->update(progress_base + static_cast<uint64_t>(p - begin));
            next_report = p + kProgressStep;
        }
        TrajLineKind kind = line_kind(p, content_end);
        if (kind == TrajLineKind::Header) {
            if (k + 1 >= entry_total) break;
            ++k;
            entry = &store.entries[k];
            entry->id = traj_header_id(std::string_view(p, static_cast<size_t>(content_end - p)));
            entry->first = m;
            entry->count = 0;
        } else if (kind == TrajLineKind::Data && entry) {
            if (m >= sample_total) break;
            TrajPoint& slot = store.samples[m];
            int fields = parse_sample_line(p, content_end, slot);
            if (slot.time_ms != 0) {
                if (!have_time) {
                    min_time = max_time = slot.time_ms;
                    have_time = true;
                } else {
                    min_time = std::min(min_time, slot.time_ms);
                    max_time = std::max(max_time, slot.time_ms);
                }
            }
            if (fields == kTrajFieldCount) {
                if (entry->count == 0) {
                    entry->min_frame = entry->max_frame = slot.frame;
                } else {
                    entry->min_frame = std::min(entry->min_frame, slot.frame);
                    entry->max_frame = std::max(entry->max_frame, slot.frame);
                }
                ++entry->count;
                ++m;
            }
        }
        p = next;
    }
    // A dropped last line leaves its fields in the slot after the stored samples.
    if (m < sample_total) store.samples[m] = TrajPoint{};

    store.entry_count = k + 1;
    store.entries.resize(static_cast<size_t>(store.entry_count));
    store.min_time = min_time;
    store.max_time = max_time;

    int32_t longest = 0;
    for (int32_t i = 0; i < store.entry_count; ++i) {
        const TrajEntry& e = store.entries[i];
        TrajPoint* first = store.samples.data() + e.first;
        TrajPoint* last = first + e.count;
        auto by_frame = [](const TrajPoint& a, const TrajPoint& b) {
            return compare_by_frame(a, b) < 0;
        };
        // Files are usually written in frame order; check before sorting.
        if (e.count > 1 && !std::is_sorted(first, last, by_frame)) std::sort(first, last, by_frame);
        longest = std::max(longest, e.count);
        if (i == 0) {
            store.min_frame = e.min_frame;
            store.max_frame = e.max_frame;
        } else {
            store.min_frame = std::min(store.min_frame, e.min_frame);
            store.max_frame = std::max(store.max_frame, e.max_frame);
        }
    }

    std::vector<TrajPoint> work;
    try {
        work.resize(static_cast<size_t>(longest));
    } catch (const std::bad_alloc&) {
        clear_traj_store(store);
        return TrajReadStatus::OutOfMemory;
    }
    for (int32_t i = 0; i < store.entry_count; ++i) {
        const TrajEntry& e = store.entries[i];
        TrajPoint* first = store.samples.data() + e.first;
        recompute_speeds(first, e.count);
        if (e.count >= 3) smooth_trajectory(first, e.count, work.data());
    }
    if (meter) meter->update(meter->total());
    return TrajReadStatus::Ok;
}

int load_traj_file(const std::string& path, const LoadProgress& progress) {
    clear_traj_store(g_store);
    ProgressMeter meter(progress);
    TrajReadStatus status;
    {
        TextBuffer text;
        switch (read_text_file(path, text, &meter)) {
            case ReadTextStatus::Ok:
                break;
            case ReadTextStatus::OpenFailed:
            case ReadTextStatus::ReadFailed:
                report_error(kTrajOpenFailure);
                return 0;
            case ReadTextStatus::OutOfMemory:
                report_error(kTrajOutOfMemory);
                return 0;
        }
        status = read_traj_text(text.view(), g_store, &meter);
    }
    switch (status) {
        case TrajReadStatus::Ok:
            return 1;
        case TrajReadStatus::Invalid:
            report_error(kTrajInvalid);
            break;
        case TrajReadStatus::OutOfMemory:
            report_error(kTrajOutOfMemory);
            break;
    }
    return 0;
}
