#pragma once

#include <optional>
#include <string>

// What a file is, told by its name alone, for files given without an option
// (a double-click on the desktop hands a program nothing else).
enum class FileKind {
    Traj,     // extension starting with "traj" in any case: .traj, .TRAJ, .traj2
    EgoPose,  // extension starting with "nav" or "pos": .nav, .NAV3, .pos
    Text,     // .txt: origin points, sample files and Traj Gen files all use it
    Dataset,  // .csv or .xml: a public traffic recording (its contents tell the format)
    Unknown,
};

// Looks at the extension of the last path component, trailing digits removed.
FileKind file_kind_by_name(const std::string& path);

// The file of kind `wanted` (Traj or EgoPose) beside `path` with the same name up to
// the extension, when one exists: run.traj -> run.nav, else run.pos; run.nav2 ->
// run.traj. Lets a double-clicked file bring the other half of its scene along.
std::optional<std::string> companion_file(const std::string& path, FileKind wanted);
