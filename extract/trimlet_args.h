// The cutter's command line: four words in their places,
//
//   trimlet ITRAJFILE OTRAJFILE [ST_MILLI [ED_MILLI]]
//
// and --help or --version, which count only as the only argument. Every other
// word is a file name or a time, whatever its first character ("-1" is the open
// end of the window); words after the fourth are ignored.
#pragma once

#include <string>

#include "extract/traj_cut.h"

struct TrimletArgs {
    bool help = false;     // "--help" alone
    bool version = false;  // "--version" alone
    int words = 0;         // the words given, options aside
    std::string input;     // word 1
    std::string output;    // word 2, as given (trimlet_output_name makes the file name)
    CutWindow window;      // words 3 and 4, read by parse_int; open sides without them
};

// Reads argv[1..argc); it refuses nothing (the cutter shows its usage when fewer
// than two words are given).
TrimletArgs parse_trimlet_args(int argc, char** argv);
