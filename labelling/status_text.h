// What the labelling tool tells its user about the session, as text: the status
// line under the picture, the window's title and the label names. Pure functions
// of the session.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "labelling/label_session.h"

// A time of day from milliseconds since midnight: "10:30:05.000" (negative times
// and those of later days are wrapped into the day).
std::string time_of_day(int32_t ms);
// A duration in seconds with one decimal: "10.0 s".
std::string duration_text(int64_t ms);

// The label's name, "" when none is named.
std::string label_name(const LabelSession& session, int32_t label);
// Label names from text of lines "VALUE=NAME" (VALUE 0 .. 255; blank lines and
// lines starting with '#' skipped, white space around both trimmed), or from the
// Settings field's form, the same pairs separated by ';'. Unreadable pairs are
// skipped.
std::vector<std::string> parse_label_names(std::string_view text);
// The Settings field's form: "0=none; 1=lane change left".
std::string label_names_text(const std::vector<std::string>& names);

// The status line: labelling on or off, the edit mode, "sample 3 of 12", the
// sample's id, label (and name), start and end as time of day and in ms, its
// duration, its pose count, then the samples shortened on load and the last
// action, when there are.
std::string status_text(const LabelSession& session);
// "Vantrel — scene_samples.txt *": the sample file's name, the star while edits are
// unsaved; "Vantrel" without a sample file.
std::string window_title(const LabelSession& session);
