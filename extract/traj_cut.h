// Cutting a time window out of a TRAJ file.
//
// Samples whose time lies inside [st_milli, ed_milli] are copied byte for byte,
// each run of in-window samples behind its own "tno=<id>" line; where a
// trajectory crosses an edge of the window between two samples, a boundary
// sample interpolated at the edge time is written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "data/line_reader.h"
#include "data/traj_format.h"

// A bound of exactly -1 leaves the window open on that side.
inline constexpr int32_t kOpenBound = -1;

struct CutWindow {
    int32_t st_milli = kOpenBound;  // window start, ms, inclusive
    int32_t ed_milli = kOpenBound;  // window end, ms, inclusive
};

// Where the cut lines go. open() is called once, before the first line is
// written; it returns false when the destination cannot be created.
class CutOutput {
  public:
    virtual ~CutOutput() = default;
    virtual bool open() = 0;
    virtual void write(std::string_view text) = 0;
    // True once a write has failed (the cut then stops).
    virtual bool failed() const { return false; }
};

// The cut state of one pass over a TRAJ text, fed whole lines at a time.
class TrajCutter {
  public:
    TrajCutter(const CutWindow& window, CutOutput& output);
    // Takes one or more whole lines, each with its '\n' (the last line of the input
    // may lack one); text need not outlive the call. Kept lines that follow each
    // other in text go out in one write. Returns false when the output had to be
    // opened and could not be, or at a sample whose time lies outside the 32-bit
    // range (bad_time_line() says which); the cut must then stop.
    bool feed(std::string_view text);
    // True once a line has been written (the output was opened).
    bool wrote_output() const { return opened_; }
    // Lines taken so far.
    uint64_t lines_fed() const { return lines_; }
    // The line (from 1) of a sample whose time is out of range; 0 when none.
    uint64_t bad_time_line() const { return bad_time_line_; }

  private:
    bool inside(int64_t t) const { return lo_ <= t && t <= hi_; }
    // Writes the kept lines not yet written, then text.
    void emit(std::string_view text);
    void flush_run();
    // Finds the previous sample among the unchecked lines; true when it is one of them.
    bool settle_previous();
    void write_boundary(const std::string_view a_line, const std::string_view b_line,
                        bool frame_from_a);

    int64_t lo_, hi_;  // window as 64-bit bounds; open sides are the int64 extremes
    CutOutput& out_;
    bool opened_ = false;
    bool in_traj_ = false;   // a "tno" line has been seen
    bool has_prev_ = false;  // prev_line_ holds a sample of the current trajectory
    int32_t traj_id_ = 0;    // id of the current trajectory
    uint64_t lines_ = 0;     // lines taken
    uint64_t bad_time_line_ = 0;
    bool in_run_ = false;  // the previous sample was inside the window
    // Kept lines of the text being fed that are still to be written: [run_begin_, run_end_).
    const char* run_begin_ = nullptr;
    const char* run_end_ = nullptr;
    // The previous sample of this trajectory: a view into the text being fed, or into
    // prev_copy_ once that text is gone.
    std::string_view prev_line_;
    std::string prev_copy_;
    // Lines of the text being fed, after the previous sample, that lie outside the
    // window and have not been checked for all their fields (none when null).
    const char* unchecked_begin_ = nullptr;
    const char* unchecked_end_ = nullptr;
    char scratch_[512];  // formatted boundary line
};

// Where a whole cut stopped.
enum class CutStop {
    Done,
    OutputFailed,  // the output could not be created, or a write to it failed
    ReadFailed,
    LineTooLong,  // a line longer than kMaxLineLength (data/line_reader.h)
    BadTime,      // a sample's time outside the 32-bit range
};

// Feeds all of in to cutter, reading block_size bytes at a time (a block grows to
// hold a longer line). The default block stays in the processor's cache while it
// is scanned and copied out; larger ones measured slower.
inline constexpr size_t kCutBlock = size_t{1} << 18;
CutStop cut_traj_stream(std::FILE* in, TrajCutter& cutter, size_t block_size = kCutBlock);
// The same for the lines of reader.
CutStop cut_traj_lines(LineReader& reader, TrajCutter& cutter);

// The output name: path unchanged when its extension (trailing digits removed)
// starts with "traj" in any letter case, else path + ".traj".
std::string trimlet_output_name(const std::string& path);

// Cuts input_path into output_path. Messages go to err, each naming the file and
// why ("Open data file failure: OUT (No such file or directory)", "Write failure:
// OUT (No space left on device)", "Line too long: IN line 3 (over 64 MiB)", "Invalid
// TRAJ file: IN line 7 (time out of range)"). Returns 1 when an output file was
// written, 0 when the input could not be opened or read, the output could not be
// created or written, or no sample fell inside the window. The output is written
// to a temporary file beside it and renamed into place only when complete, so a
// failed cut never leaves a truncated file or destroys an existing one.
int cut_traj_window(const std::string& input_path, const std::string& output_path,
                    const CutWindow& window, std::FILE* err = stderr);

// The whole command line of the cutter; returns the exit status (always 1).
int trimlet_main(int argc, char** argv, std::FILE* err = stderr);
