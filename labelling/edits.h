// Undo and redo of the labelling tool's edits, and the journal that keeps them
// across a crash.
//
// Every edit of the samples (a shift, a turn, the automatic adjustment and its
// revert, a delete, a label, an added or split sample, an undo or a redo) runs
// through run_edit: when it changed what a save writes, the state before it is
// kept for undo (EditHistory::kMaxUndo steps), redo is cleared, the journal beside
// the sample file is appended and flushed, and the action becomes the session's
// last_action.
//
// The journal ("." + the sample file's name + ".journal", beside it) holds a line
// naming it, then one entry per edit: `edit COUNT CURRENT`, a line
// `r INDEX sample_id start_ms end_ms label active origin_x origin_y frame_heading
// heading_offset` per record that differs from the journal's previous state (reals
// written so that they read back exactly), and `end`. An entry without its `end`
// (the program stopped while writing it) is not applied.
#pragma once

#include <functional>
#include <string>

#include "labelling/label_session.h"

// The edit, kept for undo and journalled when it changed what a save writes.
// Returns whether it did.
bool run_edit(LabelSession& session, const std::string& action,
              const std::function<void(LabelSession&)>& edit);
// The state before the last edit (undo) or after the last undone one (redo), the
// samples refreshed as after a load; each is itself journalled. False when there
// is nothing to undo or redo.
bool undo_edit(LabelSession& session);
bool redo_edit(LabelSession& session);
// After a sample load: no undo, no redo, the journal begins afresh at the next
// edit (the old one stays until then), last_action cleared.
void start_edit_history(LabelSession& session, const std::string& sample_path);
// Whether two record lists differ in what a save or the journal writes.
bool samples_differ(const std::vector<TrackSample>& a, const std::vector<TrackSample>& b);

// The journal's path for a sample file: ".NAME.journal" in the same folder.
std::string journal_path_for(const std::string& sample_path);
// True when the sample file's journal exists and was written after the file.
bool journal_is_newer(const std::string& sample_path);
// Applies the journal's complete entries to the session's samples (loaded from
// the journal's sample file), refreshes them as after a load and marks them
// unsaved; later edits append to the same journal. Returns the entries applied
// (0: none, nothing changes).
int restore_journal(LabelSession& session);
// The unsaved edits given up: the journal is removed (a later edit begins it anew).
void discard_journal(LabelSession& session);
// After a save: the journal is removed and begins afresh beside `sample_path`.
void journal_saved(LabelSession& session, const std::string& sample_path);
