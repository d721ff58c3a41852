// The labelling tool's app record: the shell's record (shell/shell.h), the
// labelling session and what only the labelling tool's shell keeps. vantrel_main
// owns the one instance; the window and dialog procedures reach it through the
// window they serve (shell::shell_of, then vantrel_of).
#pragma once

#include "labelling/label_session.h"
#include "shell/shell.h"

namespace labelling {

struct Vantrel : shell::Shell {
    LabelSession session;      // the pose track, samples, Traj Gen track and labelling state
    bool ask = true;           // whether unsaved edits are offered for saving (may_lose_edits);
                               // the script mode never asks
    bool save_failed = false;  // a save failed (the script mode then exits 1)
};

// The labelling tool's record of a shell that runs the labelling tool's profile.
inline Vantrel& vantrel_of(shell::Shell& shell) {
    return static_cast<Vantrel&>(shell);
}

}  // namespace labelling
