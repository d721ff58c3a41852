// Error reports of the data loaders that the user must see (TRAJ load failures).
//
// The viewer connects the sink to a message box with the caption "Error"; until
// then, and in command-line use, the default sink writes "Error: <text>" and a
// line end to the standard error stream.
#pragma once

#include <string_view>

// Receives the text of one report (no caption, no line end).
using ErrorSink = void (*)(std::string_view text);

// Reports text through the current sink.
void report_error(std::string_view text);

// Installs sink and returns the previous one; nullptr restores the default sink.
ErrorSink set_error_sink(ErrorSink sink);
