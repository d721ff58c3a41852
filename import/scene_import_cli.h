// The command line of scene-import: lists the vehicles of a recording, or writes
// one ego's scene (BASE.nav, BASE.traj and, with --roles, trajcolset.ini beside
// them), each file atomically.
#pragma once

#include <cstdio>

// The whole program; returns the exit status (0 done, 1 any failure).
int scene_import_main(int argc, char** argv, std::FILE* out = stdout, std::FILE* err = stderr);
