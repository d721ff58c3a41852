// Error reports of the data loaders that the user must see (TRAJ load failures).
//
// A loader reports to the sink its caller gives: the viewer's shows a message box
// captioned "Error"; command-line use prints "Error: <text>" and a line end to the
// standard error stream (print_error).
#pragma once

#include <functional>
#include <string_view>

// Receives the text of one report (no caption, no line end).
using ErrorSink = std::function<void(std::string_view text)>;

// The command line's sink: "Error: <text>" and a line end on standard error.
void print_error(std::string_view text);
