#include "extract/traj_cut.h"

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "data/atomic_file.h"
#include "data/geometry.h"
#include "data/line_reader.h"
#include "data/os_files.h"
#include "data/version.h"
#include "extract/trimlet_args.h"

namespace {

// The time of a sample line, which starts with a digit: its leading digits, read
// as parse_int reads them, without its handling of space and signs; -1 when they
// lie beyond the int32 range.
int64_t leading_time(std::string_view line) {
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    int64_t value = 0;
    for (const char c : line) {
        const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';
        if (digit > 9) break;
        value = value * 10 + digit;
        if (value > kMax) return -1;
    }
    return value;
}

}  // namespace

TrajCutter::TrajCutter(const CutWindow& window, CutOutput& output)
    : lo_(window.st_milli == kOpenBound ? std::numeric_limits<int64_t>::min() : window.st_milli),
      hi_(window.ed_milli == kOpenBound ? std::numeric_limits<int64_t>::max() : window.ed_milli),
      out_(output) {}

bool TrajCutter::feed(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    bool prev_in_text = false;
    while (p < end) {
        const char* const nl = find_newline(p, end);
        const char* const stop = nl ? nl + 1 : end;
        const std::string_view line(p, static_cast<size_t>(stop - p));
        p = stop;
        ++lines_;
        if (line[0] < '0' || line[0] > '9') {
            if (classify_traj_line(line) == TrajLineKind::Header) {
                traj_id_ = traj_header_id(line);
                in_traj_ = true;
                in_run_ = false;
                has_prev_ = false;
                unchecked_begin_ = unchecked_end_ = nullptr;
            }
            continue;
        }
        // A sample needs a trajectory to belong to, and the time alone decides.
        if (!in_traj_) continue;
        const int64_t t = leading_time(line);
        if (t < 0) {
            bad_time_line_ = lines_;
            flush_run();
            return false;
        }
        if (!in_run_ && !inside(t)) {
            // Outside, like the sample before it: it can only be the previous sample
            // of a later entry, so whether it has all its fields is asked then.
            if (!unchecked_begin_) unchecked_begin_ = line.data();
            unchecked_end_ = stop;
            continue;
        }
        if (count_traj_fields(line) < kTrajFieldCount) continue;

        if (!in_run_) {
            settle_previous();
            if (!opened_) {
                if (!out_.open()) return false;
                opened_ = true;
            }
            char head[32];
            const int n = std::snprintf(head, sizeof head, "tno=%d\n", traj_id_);
            emit(std::string_view(head, static_cast<size_t>(n)));
            if (has_prev_) write_boundary(prev_line_, line, /*frame_from_a=*/true);
            in_run_ = true;
        }
        if (inside(t)) {
            // Extend the pending run when this line follows it directly.
            if (line.data() != run_end_) {
                flush_run();
                run_begin_ = line.data();
            }
            run_end_ = stop;
        } else {
            write_boundary(prev_line_, line, /*frame_from_a=*/false);
            in_run_ = false;
        }
        has_prev_ = true;
        prev_line_ = line;
        prev_in_text = true;
    }
    flush_run();
    if (settle_previous()) prev_in_text = true;
    // The caller's text goes away: keep the previous sample's own copy.
    if (prev_in_text) {
        prev_copy_.assign(prev_line_.data(), prev_line_.size());
        prev_line_ = prev_copy_;
    }
    // A full disk stops the cut at once rather than after the rest of the input.
    return !out_.failed();
}

bool TrajCutter::settle_previous() {
    // The last line of [unchecked_begin_, unchecked_end_) with all its fields is the
    // previous sample; the lines are looked at from the end, each one once.
    const char* end = unchecked_end_;
    const char* const begin = unchecked_begin_;
    unchecked_begin_ = unchecked_end_ = nullptr;
    while (end != begin) {
        const char* start = end - 1;
        while (start != begin && start[-1] != '\n') --start;
        const std::string_view line(start, static_cast<size_t>(end - start));
        if (line[0] >= '0' && line[0] <= '9' && count_traj_fields(line) >= kTrajFieldCount) {
            has_prev_ = true;
            prev_line_ = line;
            return true;
        }
        end = start;
    }
    return false;
}

void TrajCutter::flush_run() {
    if (run_begin_ != run_end_) {
        out_.write(std::string_view(run_begin_, static_cast<size_t>(run_end_ - run_begin_)));
    }
    run_begin_ = run_end_ = nullptr;
}

void TrajCutter::emit(std::string_view text) {
    flush_run();
    out_.write(text);
}

void TrajCutter::write_boundary(std::string_view a_line, std::string_view b_line,
                                bool frame_from_a) {
    TrajSample a, b;
    parse_traj_sample(a_line, a);
    parse_traj_sample(b_line, b);
    if (a.time_ms == b.time_ms) return;
    // The crossed edge lies on the side of the sample that is outside the window.
    const TrajSample& outside = frame_from_a ? a : b;
    const TrajSample& inside = frame_from_a ? b : a;
    const int64_t edge = outside.time_ms < lo_ ? lo_ : hi_;
    // A sample lying on the edge is the boundary itself and is written as it is.
    if (inside.time_ms == edge) return;
    // Differences in double: int32 times far apart would overflow as integers.
    const double w =
        (static_cast<double>(edge) - a.time_ms) / (static_cast<double>(b.time_ms) - a.time_ms);
    double v[kTrajRealCount];
    for (int k = 0; k < kTrajRealCount; ++k) v[k] = a.reals[k] + w * (b.reals[k] - a.reals[k]);
    const int n = std::snprintf(scratch_, sizeof scratch_,
                                "%d,%d,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\n",
                                static_cast<int32_t>(edge), outside.frame, v[0], v[1], v[2], v[3],
                                v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
    if (n > 0 && static_cast<size_t>(n) < sizeof scratch_) {
        emit(std::string_view(scratch_, static_cast<size_t>(n)));
    } else if (n > 0) {
        // Huge reals print long; format once more into a buffer of the right size.
        std::vector<char> big(static_cast<size_t>(n) + 1);
        std::snprintf(big.data(), big.size(),
                      "%d,%d,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\n",
                      static_cast<int32_t>(edge), outside.frame, v[0], v[1], v[2], v[3], v[4], v[5],
                      v[6], v[7], v[8], v[9], v[10]);
        emit(std::string_view(big.data(), static_cast<size_t>(n)));
    }
}

std::string trimlet_output_name(const std::string& path) {
    std::string base, extension;
    split_file_name(path, base, extension);
    if (extension.size() >= 4 && strncasecmp(extension.c_str(), "traj", 4) == 0) return path;
    return path + ".traj";
}

namespace {

// The cut goes through an atomic file: renamed over the target only when complete.
class FileCutOutput : public CutOutput {
  public:
    explicit FileCutOutput(std::string target) : file_(std::move(target)) {}
    bool open() override { return file_.open(); }
    void write(std::string_view text) override { file_.write(text); }
    bool failed() const override { return !file_.error().empty(); }
    bool commit() { return file_.commit(); }
    // Why the output failed, as the system says it ("No space left on device").
    std::string reason() const {
        const std::string& e = file_.error();
        const size_t colon = e.rfind(": ");
        return colon == std::string::npos ? e : e.substr(colon + 2);
    }

  private:
    AtomicFile file_;
};

}  // namespace

CutStop cut_traj_stream(std::FILE* in, TrajCutter& cutter, size_t block_size) {
    LineReader reader(in, block_size);
    return cut_traj_lines(reader, cutter);
}

CutStop cut_traj_lines(LineReader& reader, TrajCutter& cutter) {
    std::string_view lines;
    while (reader.next_lines(lines)) {
        if (!cutter.feed(lines))
            return cutter.bad_time_line() ? CutStop::BadTime : CutStop::OutputFailed;
    }
    if (reader.line_too_long()) return CutStop::LineTooLong;
    return reader.failed() ? CutStop::ReadFailed : CutStop::Done;
}

int cut_traj_window(const std::string& input_path, const std::string& output_path,
                    const CutWindow& window, std::FILE* err) {
    // Where the system maps the file (os_files::FileView), its lines are cut where
    // they lie, without reading them into a block first.
    os_files::FileView view;
    std::FILE* in = nullptr;
    if (!view.open(input_path)) {
        in = os_files::open_file(input_path, "rb");
        if (!in) {
            std::fprintf(err, "Open data file failure: %s (%s)\n", input_path.c_str(),
                         std::strerror(errno));
            return 0;
        }
        // The reader asks for whole blocks: stdio's own buffer would only add a copy.
        std::setvbuf(in, nullptr, _IONBF, 0);
    }
    FileCutOutput out(output_path);
    TrajCutter cutter(window, out);
    errno = 0;
    CutStop stop;
    if (in) {
        stop = cut_traj_stream(in, cutter);
    } else {
        LineReader reader(std::string_view(view.data(), view.size()), kCutBlock);
        stop = cut_traj_lines(reader, cutter);
    }
    const int read_errno = errno;
    // Closed before the output replaces its target, which may be the input itself.
    if (in) std::fclose(in);
    view.close();
    switch (stop) {
        case CutStop::Done:
            break;
        case CutStop::OutputFailed:
            std::fprintf(err, "%s: %s (%s)\n",
                         cutter.wrote_output() ? "Write failure" : "Open data file failure",
                         output_path.c_str(), out.reason().c_str());
            return 0;
        case CutStop::ReadFailed:
            std::fprintf(err, "Read failure: %s (%s)\n", input_path.c_str(),
                         std::strerror(read_errno ? read_errno : EIO));
            return 0;
        case CutStop::LineTooLong:
            std::fprintf(err, "Line too long: %s line %llu (over %zu MiB)\n", input_path.c_str(),
                         static_cast<unsigned long long>(cutter.lines_fed() + 1),
                         kMaxLineLength >> 20);
            return 0;
        case CutStop::BadTime:
            std::fprintf(err, "Invalid TRAJ file: %s line %llu (time out of range)\n",
                         input_path.c_str(),
                         static_cast<unsigned long long>(cutter.bad_time_line()));
            return 0;
    }
    if (!cutter.wrote_output()) return 0;
    if (!out.commit()) {
        std::fprintf(err, "Write failure: %s (%s)\n", output_path.c_str(), out.reason().c_str());
        return 0;
    }
    return 1;
}

namespace {

void print_usage(std::FILE* to, const char* program) {
    std::fprintf(to, "Usage : %s [itrajfile] [otrajfile] [st_milli] [ed_milli]\n", program);
    std::fprintf(to, "[itrajfile]: input traj file.\n");
    std::fprintf(to, "[otrajfile]: output traj file.\n");
    std::fprintf(to,
                 "[st_milli, ed_milli]: time period, default=-1 means the start or the end "
                 "of the stream.\n");
}

}  // namespace

int trimlet_main(int argc, char** argv, std::FILE* err) {
    const char* program = argc > 0 ? argv[0] : "trimlet";
    const TrimletArgs args = parse_trimlet_args(argc, argv);
    // Asked for on their own, the usage and the version go to standard output with
    // status 0; every cut keeps the status 1 that scripts using the cutter expect.
    if (args.help) {
        print_usage(stdout, program);
        std::printf("%s --help | --version: this text, or the version.\n", program);
        return 0;
    }
    if (args.version) {
        std::printf("trimlet %s\n", tools_version());
        return 0;
    }
    if (args.words < 2) {
        print_usage(err, program);
        return 1;
    }
    const std::string output = trimlet_output_name(args.output);
    if (cut_traj_window(args.input, output, args.window, err)) {
        std::fprintf(err, "Trimlet succeeded:%s.\n", output.c_str());
    } else {
        std::fprintf(err, "Trimlet failure:%s.\n", output.c_str());
    }
    return 1;
}
