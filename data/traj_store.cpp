#include "data/traj_store.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <thread>
#include <vector>

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

// The passes of read_traj_text, in order: count, allocate, parse, join, then clean.
// Counting and parsing run on blocks of whole lines, one thread each; cleaning
// runs on runs of whole trajectories, one thread each. Each pass returns Ok or
// the reason to stop; the caller empties the store on any other outcome.

// Texts below this many bytes a block are read by one thread when the caller
// leaves the count to the load.
constexpr size_t kMinBlockBytes = size_t{1} << 20;
constexpr int kMaxThreads = 8;

// Runs work(0) .. work(n - 1): work(0) on the calling thread, the others on
// threads of their own. A part whose thread cannot be started runs on the
// calling thread after its own. work must not throw.
template <class Work>
void run_parts(int n, const Work& work) {
    std::vector<std::thread> threads;
    int started = 1;
    try {
        threads.reserve(static_cast<size_t>(n > 1 ? n - 1 : 0));
        for (; started < n; ++started) threads.emplace_back(work, started);
    } catch (const std::exception&) {
        // Fewer threads: the rest of the parts run here.
    }
    work(0);
    for (int i = started; i < n; ++i) work(i);
    for (std::thread& t : threads) t.join();
}

// The range of the nonzero times seen.
struct TimeRange {
    bool have = false;
    int32_t min = 0, max = 0;
    void add(int32_t t) {
        if (!have) {
            min = max = t;
            have = true;
        } else {
            min = std::min(min, t);
            max = std::max(max, t);
        }
    }
    void add(const TimeRange& other) {
        if (other.have) {
            add(other.min);
            add(other.max);
        }
    }
};

// One block of whole lines and what the passes found in it.
struct TextBlock {
    std::string_view text;
    // Count pass.
    uint64_t lines = 0, headers = 0, data_lines = 0;
    // Where its lines go, from the blocks before it.
    uint64_t first_line = 0;  // lines before the block
    int32_t first_entry = 0;  // header lines before the block
    int32_t first_slot = 0;   // data lines before the block
    bool continues = false;   // a header comes before the block: its leading data lines
                              // belong to the last trajectory started before it
    // Parse pass.
    TrajEntry lead;       // those leading samples: count and frame range
    int32_t entries = 0;  // headers read
    int32_t stored = 0;   // samples stored, from first_slot on (the leading ones included)
    TimeRange times;
    // First fault of the block: its line (local in the count pass, of the whole text
    // in the parse pass) and what is wrong, null when there is none. The threads
    // allocate nothing; the join makes the TextFault.
    uint64_t fault_line = 0;
    const char* fault_what = nullptr;
};

// The text cut into n blocks at line ends (a block may be empty).
std::vector<TextBlock> split_lines(std::string_view text, int n) {
    std::vector<TextBlock> blocks(static_cast<size_t>(n));
    size_t start = 0;
    for (int i = 0; i < n; ++i) {
        size_t stop = text.size();
        if (i + 1 < n) {
            stop =
                std::max(start, text.size() / static_cast<size_t>(n) * static_cast<size_t>(i + 1));
            if (stop > 0 && stop < text.size() && text[stop - 1] != '\n') {
                const size_t nl = text.find('\n', stop);
                stop = nl == std::string_view::npos ? text.size() : nl + 1;
            }
        }
        blocks[static_cast<size_t>(i)].text = text.substr(start, stop - start);
        start = stop;
    }
    return blocks;
}

// Pass 1 on one block: counts lines, header lines and data lines; stops at a
// line over kMaxLineLength.
void count_block(TextBlock& block) {
    const char* const begin = block.text.data();
    const char* const end = begin + block.text.size();
    uint64_t lines = 0, headers = 0, data_lines = 0;
    for (const char* p = begin; p < end;) {
        const char *content_end, *next;
        find_line(p, end, content_end, next);
        ++lines;
        if (static_cast<size_t>(next - p) > kMaxLineLength) {
            block.fault_line = lines;
            block.fault_what = kLineTooLong;
            break;
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
    block.lines = lines;
    block.headers = headers;
    block.data_lines = data_lines;
}

// Pass 1's outcome over all blocks: the first overlong line in the text, a text
// without headers or data, or more than the 32-bit counts hold; on Ok each block
// knows where its lines go.
TrajReadStatus join_counts(std::string_view text, std::vector<TextBlock>& blocks, uint64_t& headers,
                           uint64_t& data_lines, TextFault& fault) {
    uint64_t lines = 0;
    headers = data_lines = 0;
    for (const TextBlock& b : blocks) {
        if (b.fault_what) {
            fault = TextFault{lines + b.fault_line, b.fault_what};
            return TrajReadStatus::Invalid;
        }
        lines += b.lines;
        headers += b.headers;
        data_lines += b.data_lines;
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
    uint64_t line = 0, header = 0, slot = 0;
    for (TextBlock& b : blocks) {
        b.first_line = line;
        b.first_entry = static_cast<int32_t>(header);
        b.first_slot = static_cast<int32_t>(slot);
        b.continues = header > 0;
        line += b.lines;
        header += b.headers;
        slot += b.data_lines;
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

// Pass 2 on one block: parses its headers into entries[first_entry ..] and its
// samples into samples[first_slot ..], in file order, with each trajectory's
// frame range and the block's time range; stops at a number beyond the 32-bit
// range. Data lines before the text's first header are skipped. The block's
// entries take their first as though every data line before the block was
// stored; join_blocks corrects that. meter (may be null) gets the progress of the
// whole text from this block's position, scaled by scale.
void parse_block(TextBlock& block, TrajStore& store, ProgressMeter* meter, uint64_t progress_base,
                 double scale) {
    const char* const begin = block.text.data();
    const char* const end = begin + block.text.size();
    const int32_t entry_end = block.first_entry + static_cast<int32_t>(block.headers);
    const int32_t slot_end = block.first_slot + static_cast<int32_t>(block.data_lines);
    int32_t k = block.first_entry - 1;  // current trajectory
    int32_t m = block.first_slot;       // next slot
    TimeRange times;
    TrajEntry* entry = block.continues ? &block.lead : nullptr;
    block.lead.first = m;
    const char* next_report = begin + kProgressStep;
    uint64_t line_no = block.first_line;
    for (const char* p = begin; p < end;) {
        const char *content_end, *next;
        find_line(p, end, content_end, next);
        ++line_no;
        if (meter && p >= next_report) {
            meter->update(progress_base +
                          static_cast<uint64_t>(static_cast<double>(p - begin) * scale));
            next_report = p + kProgressStep;
        }
        TrajLineKind kind = line_kind(p, content_end);
        if (kind == TrajLineKind::Header) {
            if (k + 1 >= entry_end) break;
            ++k;
            entry = &store.entries[static_cast<size_t>(k)];
            const std::string_view header(p, static_cast<size_t>(content_end - p));
            TokenSplitter tokens(header, kHeaderSeparators);
            std::string_view id;
            if (tokens.next(id) && tokens.next(id) && !int_in_range(id)) {
                block.fault_line = line_no;
                block.fault_what = "trajectory id out of range";
                break;
            }
            entry->id = traj_header_id(header);
            entry->first = m;
            entry->count = 0;
        } else if (kind == TrajLineKind::Data && entry) {
            if (m >= slot_end) break;
            TrajPoint& slot = store.samples[static_cast<size_t>(m)];
            const char* bad_field = nullptr;
            int fields = parse_sample_line(p, content_end, slot, bad_field);
            if (bad_field) {
                block.fault_line = line_no;
                block.fault_what = bad_field[0] == 't' ? "time out of range" : "frame out of range";
                break;
            }
            if (slot.time_ms != 0) times.add(slot.time_ms);
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
    block.entries = k + 1 - block.first_entry;
    block.stored = m - block.first_slot;
    block.times = times;
}

// Pass 2's outcome over all blocks: the first fault in the text, or the blocks'
// samples moved together in file order (only where data lines were skipped or
// dropped), each block's leading samples added to the trajectory before it, the
// entries' first corrected and the time range of the text. Every slot after the
// stored samples is zero, as in a fresh array.
TrajReadStatus join_blocks(std::vector<TextBlock>& blocks, TrajStore& store, TextFault& fault) {
    for (const TextBlock& b : blocks) {
        if (b.fault_what) {
            fault = TextFault{b.fault_line, b.fault_what};
            return TrajReadStatus::Invalid;
        }
    }
    int32_t m = 0;        // samples joined
    int32_t touched = 0;  // one past the last slot a block may have written
    int32_t entries = 0;
    TimeRange times;
    for (TextBlock& b : blocks) {
        const int32_t shift = m - b.first_slot;  // zero or negative
        if (shift != 0 && b.stored > 0)
            std::memmove(store.samples.data() + m, store.samples.data() + b.first_slot,
                         static_cast<size_t>(b.stored) * sizeof(TrajPoint));
        if (b.continues && b.lead.count > 0) {
            TrajEntry& last = store.entries[static_cast<size_t>(b.first_entry - 1)];
            if (last.count == 0) {
                last.min_frame = b.lead.min_frame;
                last.max_frame = b.lead.max_frame;
            } else {
                last.min_frame = std::min(last.min_frame, b.lead.min_frame);
                last.max_frame = std::max(last.max_frame, b.lead.max_frame);
            }
            last.count += b.lead.count;
        }
        for (int32_t i = 0; i < b.entries; ++i)
            store.entries[static_cast<size_t>(b.first_entry + i)].first += shift;
        m += b.stored;
        entries = b.first_entry + b.entries;
        touched = std::max(touched, b.first_slot + b.stored + 1);
        times.add(b.times);
    }
    // A dropped line leaves its fields in the slot after the block's stored samples,
    // and a moved block its old copy.
    const int32_t clear_end = std::min(touched, store.sample_capacity);
    if (m < clear_end)
        std::memset(static_cast<void*>(store.samples.data() + m), 0,
                    static_cast<size_t>(clear_end - m) * sizeof(TrajPoint));

    store.entry_count = entries;
    store.entries.resize(static_cast<size_t>(store.entry_count));
    store.min_time = times.min;
    store.max_time = times.max;
    return TrajReadStatus::Ok;
}

// Passes 1 and 2 in threads blocks, and their joins.
TrajReadStatus read_blocks(std::string_view text, TrajStore& store, ProgressMeter* meter,
                           TextFault& fault, int threads) {
    std::vector<TextBlock> blocks = split_lines(text, threads);
    const int n = static_cast<int>(blocks.size());
    run_parts(n, [&blocks](int i) { count_block(blocks[static_cast<size_t>(i)]); });
    uint64_t headers = 0, data_lines = 0;
    TrajReadStatus status = join_counts(text, blocks, headers, data_lines, fault);
    if (status == TrajReadStatus::Ok) status = allocate_store(store, headers, data_lines);
    if (status != TrajReadStatus::Ok) return status;
    const uint64_t progress_base = text.size();
    const double scale = blocks[0].text.empty() ? 0.0
                                                : static_cast<double>(text.size()) /
                                                      static_cast<double>(blocks[0].text.size());
    run_parts(n, [&](int i) {
        parse_block(blocks[static_cast<size_t>(i)], store, i == 0 ? meter : nullptr, progress_base,
                    scale);
    });
    return join_blocks(blocks, store, fault);
}

// Pass 3 on entries [first, last): each trajectory sorted by frame, copied as it
// stands to raw_samples (when there is room for them), then cleaned: speeds
// recomputed, track smoothed. False when there is no room for the working copy.
bool clean_entries(TrajStore& store, int32_t first, int32_t last) {
    auto by_frame = [](const TrajPoint& a, const TrajPoint& b) {
        return compare_by_frame(a, b) < 0;
    };
    int32_t longest = 0;
    for (int32_t i = first; i < last; ++i)
        longest = std::max(longest, store.entries[static_cast<size_t>(i)].count);
    std::vector<TrajPoint> work;
    try {
        work.resize(static_cast<size_t>(longest));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const bool keep_raw = !store.raw_samples.empty();
    for (int32_t i = first; i < last; ++i) {
        const TrajEntry& e = store.entries[static_cast<size_t>(i)];
        TrajPoint* begin = store.samples.data() + e.first;
        TrajPoint* end = begin + e.count;
        // Files are usually written in frame order; check before sorting.
        if (e.count > 1 && !std::is_sorted(begin, end, by_frame)) std::sort(begin, end, by_frame);
        if (keep_raw && e.count > 0)
            std::memcpy(store.raw_samples.data() + e.first, begin,
                        static_cast<size_t>(e.count) * sizeof(TrajPoint));
        recompute_speeds(begin, e.count);
        if (e.count >= 3) smooth_trajectory(begin, e.count, work.data());
    }
    return true;
}

// Pass 3: the store's frame range, room for the samples as read (the load goes on
// without them when there is none; spare, when given, is memory no longer needed
// that is taken for them), then the trajectories sorted, kept and cleaned in
// threads runs of about equal sample counts.
TrajReadStatus clean_store(TrajStore& store, int threads, LargeArray<char>* spare = nullptr) {
    for (int32_t i = 0; i < store.entry_count; ++i) {
        const TrajEntry& e = store.entries[static_cast<size_t>(i)];
        store.min_frame = i == 0 ? e.min_frame : std::min(store.min_frame, e.min_frame);
        store.max_frame = i == 0 ? e.max_frame : std::max(store.max_frame, e.max_frame);
    }
    const size_t stored =
        store.entry_count > 0
            ? static_cast<size_t>(store.entries.back().first + store.entries.back().count)
            : 0;
    const bool room = spare ? store.raw_samples.reuse(std::move(*spare), store.samples.size())
                            : store.raw_samples.allocate(store.samples.size());
    if (!room) {
        store.raw_samples.release();
    } else if (spare && stored < store.samples.size()) {
        // The slots after the stored samples are zero, as in the sample array.
        std::memset(static_cast<void*>(store.raw_samples.data() + stored), 0,
                    (store.samples.size() - stored) * sizeof(TrajPoint));
    }
    const int n = std::max(1, std::min(threads, store.entry_count));
    // Run j ends before the first entry whose samples start at or past j/n of them all.
    std::vector<int32_t> bounds(static_cast<size_t>(n) + 1, store.entry_count);
    bounds[0] = 0;
    const int64_t total =
        store.entry_count > 0 ? store.entries.back().first + store.entries.back().count : 0;
    for (int j = 1, i = 0; j < n; ++j) {
        const int64_t goal = total * j / n;
        while (i < store.entry_count && store.entries[static_cast<size_t>(i)].first < goal) ++i;
        bounds[static_cast<size_t>(j)] = i;
    }
    std::vector<char> ok(static_cast<size_t>(n), 0);
    run_parts(n, [&](int j) {
        ok[static_cast<size_t>(j)] =
            clean_entries(store, bounds[static_cast<size_t>(j)], bounds[static_cast<size_t>(j) + 1])
                ? 1
                : 0;
    });
    for (char good : ok)
        if (!good) return TrajReadStatus::OutOfMemory;
    return TrajReadStatus::Ok;
}

// Threads for a text of size bytes: the caller's count, else one per core, no
// more than kMaxThreads and no block under kMinBlockBytes.
int thread_count(size_t size, int threads) {
    if (threads > 0) return std::min(threads, 64);
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    const size_t by_size = size / kMinBlockBytes;
    return static_cast<int>(std::max<size_t>(
        1, std::min<size_t>(by_size, static_cast<size_t>(std::clamp(cores, 1, kMaxThreads)))));
}

// The end of a read: the store emptied and the fault passed on unless status is Ok.
TrajReadStatus finish_read(TrajReadStatus status, TrajStore& store, const TextFault& found,
                           ProgressMeter* meter, TextFault* fault) {
    if (status != TrajReadStatus::Ok) {
        clear_traj_store(store);
        if (fault && !found.what.empty()) *fault = found;
        return status;
    }
    if (meter) meter->update(meter->total());
    return TrajReadStatus::Ok;
}

}  // namespace

TrajReadStatus read_traj_text(std::string_view text, TrajStore& store, ProgressMeter* meter,
                              TextFault* fault, int threads) {
    clear_traj_store(store);
    TextFault found;
    const int n = thread_count(text.size(), threads);
    TrajReadStatus status = read_blocks(text, store, meter, found, n);
    if (status == TrajReadStatus::Ok) status = clean_store(store, n);
    return finish_read(status, store, found, meter, fault);
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
                   const LoadProgress& progress, int threads) {
    clear_traj_store(store);
    ProgressMeter meter(progress);
    TrajReadStatus status;
    TextFault found, fault;
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
    const int n = thread_count(text.size, threads);
    status = read_blocks(text.view(), store, &meter, found, n);
    // The text's memory becomes the samples as read, so the two are never held at
    // once.
    if (status == TrajReadStatus::Ok) status = clean_store(store, n, &text.data);
    text = TextBuffer{};
    status = finish_read(status, store, found, &meter, &fault);
    return report_traj_status(status, fault, path, report);
}

int load_traj_text(TrajStore& store, std::string_view text, const std::string& name,
                   const ErrorSink& report) {
    TextFault fault;
    const TrajReadStatus status = read_traj_text(text, store, nullptr, &fault);
    return report_traj_status(status, fault, name, report);
}
