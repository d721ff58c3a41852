// The TRAJ text format: how lines are classified and split, and how numbers read.
//
// A line whose first three characters are "tno" in any letter case is a
// trajectory header ("tno=7"); otherwise a line starting with a decimal digit is
// a data line of 13 fields (time_ms, frame, x, y, length, width, head_x, head_y,
// ego_x, ego_y, ego_head_x, ego_head_y, speed); every other line is ignored.
// Headers split at runs of "= ,\t\n", data lines at runs of " ,\t\n".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/number_text.h"

enum class TrajLineKind {
    Header,  // "tno" in any case
    Data,    // first character is '0'..'9'
    Other,   // blank, comment, title, leading space or minus sign
};

inline constexpr std::string_view kHeaderSeparators = "= ,\t\n";
inline constexpr std::string_view kDataSeparators = " ,\t\n";

// Number of fields in a complete sample line.
inline constexpr int kTrajFieldCount = 13;
// Number of real fields (columns 3 to 13).
inline constexpr int kTrajRealCount = 11;

TrajLineKind classify_traj_line(std::string_view line);

// Splits text at runs of separator characters; empty tokens never appear.
class TokenSplitter {
  public:
    TokenSplitter(std::string_view text, std::string_view separators);
    // Sets token to the next token and returns true, or returns false at the end.
    bool next(std::string_view& token);

  private:
    std::string_view rest_;
    bool is_sep_[256] = {};
};

// The trajectory id of a header line: its second token at "= ,\t\n"; 0 when the
// line has no second token or it is not a number.
int32_t traj_header_id(std::string_view line);

// One parsed sample line.
struct TrajSample {
    int32_t time_ms = 0;                // time of day, milliseconds
    int32_t frame = 0;                  // frame number
    double reals[kTrajRealCount] = {};  // columns 3..13 in column order
};

// Parses a data line into out (missing fields read as 0, tokens after the 13th
// are ignored) and returns the number of fields the line has, capped at 13.
int parse_traj_sample(std::string_view line, TrajSample& out);

// Counts the fields of a data line; the result is capped at limit.
int count_traj_fields(std::string_view line, int limit = kTrajFieldCount);
