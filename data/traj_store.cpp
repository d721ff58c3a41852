#include "data/traj_store.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "data/geometry.h"
#include "data/line_reader.h"
#include "data/report.h"
#include "data/traj_format.h"

namespace {

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
inline int32_t read_int_token(const char*& p, const char* end, bool& out_of_range) {
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
    const std::string_view token(p, static_cast<size_t>(e - p));
    if (!int_in_range(token)) out_of_range = true;
    p = e;
    return parse_int(token);
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
// bad_field is set to "time" or "frame" when that field lies outside the 32-bit range.
inline int parse_sample_line(const char* p, const char* end, TrajPoint& slot,
                             const char*& bad_field) {
    // The line starts with a digit, so the time token exists.
    bool out_of_range = false;
    slot.time_ms = read_int_token(p, end, out_of_range);
    if (out_of_range) bad_field = "time";
    if (!skip_separators(p, end)) return 1;
    slot.frame = read_int_token(p, end, out_of_range);
    if (out_of_range && !bad_field) bad_field = "frame";
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

int compare_by_frame(const TrajPoint& a, const TrajPoint& b) {
    if (a.frame > b.frame) return 1;
    if (a.frame < b.frame) return -1;
    return 0;
}

void clear_traj_store(TrajStore& store) {
    store = TrajStore{};
}

int traj_store_loaded(const TrajStore& store) {
    return store.entry_count > 0 ? 1 : 0;
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

    // Headings from the smoothed positions; the ends copy their inner neighbour. A
    // vehicle that stands still (its neighbours at the same place) has no direction
    // of motion and keeps the heading it was recorded with, so its box stays a box.
    for (int32_t j = 1; j <= n - 2; ++j) {
        Vec2 d{work[j + 1].x - work[j - 1].x, work[j + 1].y - work[j - 1].y};
        if (vec_normalize(d) == 0) d = Vec2{s[j].head_x, s[j].head_y};
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

namespace {

// The passes of read_traj_text, in order. Each returns Ok or the reason to stop;
// the caller empties the store on any other outcome.

// Pass 1: counts header and data lines; refuses a line over kMaxLineLength.
TrajReadStatus count_lines(std::string_view text, uint64_t& headers, uint64_t& data_lines,
                           TextFault& fault) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    headers = data_lines = 0;
    uint64_t line_no = 0;
    for (const char* p = begin; p < end;) {
        const char *content_end, *next;
        find_line(p, end, content_end, next);
        ++line_no;
        if (static_cast<size_t>(next - p) > kMaxLineLength) {
            fault = TextFault{line_no, kLineTooLong};
            return TrajReadStatus::Invalid;
        }
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
    const char* missing = text.empty()      ? "empty file"
                          : headers == 0    ? "no tno line"
                          : data_lines == 0 ? "no data line"
                                            : nullptr;
    if (missing) {
        fault = TextFault{0, missing};
        return TrajReadStatus::Invalid;
    }
    // The arrays are indexed with 32-bit integers.
    constexpr uint64_t kMaxCount = std::numeric_limits<int32_t>::max();
    if (headers > kMaxCount || data_lines > kMaxCount) {
        fault = TextFault{0, kTooManyLines};
        return TrajReadStatus::TooManyLines;
    }
    return TrajReadStatus::Ok;
}

// Allocates exactly the counted entries and samples.
TrajReadStatus allocate_store(TrajStore& store, uint64_t headers, uint64_t data_lines) {
    try {
        store.entries.resize(headers);
    } catch (const std::bad_alloc&) {
        return TrajReadStatus::OutOfMemory;
    }
    if (!store.samples.allocate(data_lines)) return TrajReadStatus::OutOfMemory;
    store.sample_capacity = static_cast<int32_t>(data_lines);
    return TrajReadStatus::Ok;
}

// Pass 2: parses headers and samples in file order into the allocated store, with
// each trajectory's frame range and the file's time range; refuses a number
// beyond the 32-bit range.
TrajReadStatus parse_lines(std::string_view text, TrajStore& store, ProgressMeter* meter,
                           TextFault& fault) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const uint64_t progress_base = text.size();
    const int32_t entry_total = static_cast<int32_t>(store.entries.size());
    const int32_t sample_total = store.sample_capacity;
    int32_t k = -1;  // current trajectory
    int32_t m = 0;   // samples stored
    bool have_time = false;
    int32_t min_time = 0, max_time = 0;
    TrajEntry* entry = nullptr;
    const char* next_report = begin + kProgressStep;
    uint64_t line_no = 0;
    for (const char* p = begin; p < end;) {
        const char *content_end, *next;
        find_line(p, end, content_end, next);
        ++line_no;
        if (meter && p >= next_report) {
            meter->update(progress_base + static_cast<uint64_t>(p - begin));
            next_report = p + kProgressStep;
        }
        TrajLineKind kind = line_kind(p, content_end);
        if (kind == TrajLineKind::Header) {
            if (k + 1 >= entry_total) break;
            ++k;
            entry = &store.entries[k];
            const std::string_view header(p, static_cast<size_t>(content_end - p));
            TokenSplitter tokens(header, kHeaderSeparators);
            std::string_view id;
            if (tokens.next(id) && tokens.next(id) && !int_in_range(id)) {
                fault = TextFault{line_no, "trajectory id out of range"};
                return TrajReadStatus::Invalid;
            }
            entry->id = traj_header_id(header);
            entry->first = m;
            entry->count = 0;
        } else if (kind == TrajLineKind::Data && entry) {
            if (m >= sample_total) break;
            TrajPoint& slot = store.samples[m];
            const char* bad_field = nullptr;
            int fields = parse_sample_line(p, content_end, slot, bad_field);
            if (bad_field) {
                fault = TextFault{line_no,
                                  bad_field[0] == 't' ? "time out of range" : "frame out of range"};
                return TrajReadStatus::Invalid;
            }
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
    return TrajReadStatus::Ok;
}

// Pass 3: sorts each trajectory by frame and takes the store's frame range.
// Returns the longest trajectory's sample count.
int32_t finish_ranges(TrajStore& store) {
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
    return longest;
}

// The samples as read, for a view of what cleaning moved. Without room for the
// copy the load goes on without it.
void keep_raw_samples(TrajStore& store) {
    if (store.raw_samples.allocate(store.samples.size()) && store.samples.size() > 0)
        std::memcpy(store.raw_samples.data(), store.samples.data(),
                    store.samples.size() * sizeof(TrajPoint));
}

// Pass 4: cleaning, trajectory by trajectory: speeds recomputed, tracks smoothed.
TrajReadStatus clean_trajectories(TrajStore& store, int32_t longest) {
    std::vector<TrajPoint> work;
    try {
        work.resize(static_cast<size_t>(longest));
    } catch (const std::bad_alloc&) {
        return TrajReadStatus::OutOfMemory;
    }
    for (int32_t i = 0; i < store.entry_count; ++i) {
        const TrajEntry& e = store.entries[i];
        TrajPoint* first = store.samples.data() + e.first;
        recompute_speeds(first, e.count);
        if (e.count >= 3) smooth_trajectory(first, e.count, work.data());
    }
    return TrajReadStatus::Ok;
}

}  // namespace

TrajReadStatus read_traj_text(std::string_view text, TrajStore& store, ProgressMeter* meter,
                              TextFault* fault) {
    clear_traj_store(store);
    TextFault found;
    uint64_t headers = 0, data_lines = 0;
    TrajReadStatus status = count_lines(text, headers, data_lines, found);
    if (status == TrajReadStatus::Ok) status = allocate_store(store, headers, data_lines);
    if (status == TrajReadStatus::Ok) status = parse_lines(text, store, meter, found);
    if (status == TrajReadStatus::Ok) {
        const int32_t longest = finish_ranges(store);
        keep_raw_samples(store);
        status = clean_trajectories(store, longest);
    }
    if (status != TrajReadStatus::Ok) {
        clear_traj_store(store);
        if (fault && !found.what.empty()) *fault = found;
        return status;
    }
    if (meter) meter->update(meter->total());
    return TrajReadStatus::Ok;
}

namespace {

// Reports a read that failed, as the user sees it; 1 when it succeeded.
int report_traj_status(TrajReadStatus status, const TextFault& fault, const std::string& path,
                       const ErrorSink& report) {
    switch (status) {
        case TrajReadStatus::Ok:
            return 1;
        case TrajReadStatus::Invalid:
        case TrajReadStatus::TooManyLines:
            report(std::string(kTrajInvalid) + "\n" + fault_detail(path, fault));
            break;
        case TrajReadStatus::OutOfMemory:
            report(kTrajOutOfMemory);
            break;
    }
    return 0;
}

}  // namespace

int load_traj_file(TrajStore& store, const std::string& path, const ErrorSink& report,
                   const LoadProgress& progress) {
    clear_traj_store(store);
    ProgressMeter meter(progress);
    TrajReadStatus status;
    TextFault fault;
    {
        TextBuffer text;
        switch (read_text_file(path, text, &meter)) {
            case ReadTextStatus::Ok:
                break;
            case ReadTextStatus::OpenFailed:
            case ReadTextStatus::ReadFailed:
                report(kTrajOpenFailure);
                return 0;
            case ReadTextStatus::OutOfMemory:
                report(kTrajOutOfMemory);
                return 0;
        }
        status = read_traj_text(text.view(), store, &meter, &fault);
    }
    return report_traj_status(status, fault, path, report);
}

int load_traj_text(TrajStore& store, std::string_view text, const std::string& name,
                   const ErrorSink& report) {
    TextFault fault;
    const TrajReadStatus status = read_traj_text(text, store, nullptr, &fault);
    return report_traj_status(status, fault, name, report);
}
