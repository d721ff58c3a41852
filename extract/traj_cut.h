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
};

// The cut state of one pass over a TRAJ text, fed line by line.
class TrajCutter {
  public:
    TrajCutter(const CutWindow& window, CutOutput& output);
    // Takes one line with its line end (if any). Returns false when the output
    // had to be opened and could not be; the cut must then stop.
    bool feed(std::string_view line);
    // True once a line has been written (the output was opened).
    bool wrote_output() const { return opened_; }

  private:
    bool inside(int64_t t) const { return lo_ <= t && t <= hi_; }
    void write_boundary(const std::string_view a_line, const std::string_view b_line,
                        bool frame_from_a);

    int64_t lo_, hi_;  // window as 64-bit bounds; open sides are the int64 extremes
    CutOutput& out_;
    bool opened_ = false;
    bool in_traj_ = false;   // a "tno" line has been seen
    int32_t traj_id_ = 0;    // id of the current trajectory
    int64_t index_ = 0;      // index of the next sample within its trajectory
    int64_t run_count_ = 0;  // lines written for the current in-window run
    std::string prev_line_;  // text of the previous sample of this trajectory
    char scratch_[512];      // formatted boundary line
};

// The output name: path unchanged when its extension (trailing digits removed)
// starts with "traj" in any letter case, else path + ".traj".
std::string trimlet_output_name(const std::string& path);

// Cuts input_path into output_path. Messages go to err. Returns 1 when an output
// file was written, 0 when the input could not be opened, the output could not be
// created or written, or no sample fell inside the window. The output is written
// to a temporary file beside it and renamed into place only when complete, so a
// failed cut never leaves a truncated file or destroys an existing one.
int cut_traj_window(const std::string& input_path, const std::string& output_path,
                    const CutWindow& window, std::FILE* err = stderr);

// The whole command line of the cutter; returns the exit status (always 1).
int trimlet_main(int argc, char** argv, std::FILE* err = stderr);
