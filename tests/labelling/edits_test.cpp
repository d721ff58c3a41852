// Adding and splitting samples, undo and redo of every kind of edit, and the
// journal that brings unsaved edits back after the program was killed.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "labelling/edits.h"
#include "labelling_fixture.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Edit = std::function<void(LabelSession&)>;

class Edits : public test_support::LabellingTest {
  protected:
    // 300 poses (10 s .. 39.9 s), three samples, labelling on at the first one, the
    // history and journal begun as a sample load begins them.
    void SetUp() override {
        load_poses(300);
        load_samples("1 12000 15000 2\n2 20000 24000 1\n3 30000 33000 0\n");
        path = dir.file("samples.txt");
        start_edit_history(session, path);
        ASSERT_TRUE(toggle_labelling(session));
    }
    // The sample file a save writes now.
    std::string saved() {
        const SaveOutcome out = save_samples(session, dir.file("out"));
        EXPECT_TRUE(out.saved) << out.failure;
        return dir.read("out.txt");
    }
    std::vector<TrackSample> active() {
        std::vector<TrackSample> out;
        for (int32_t k = 1; k < session.samples.count; ++k)
            if (sample(k).active == 1) out.push_back(sample(k));
        return out;
    }
    std::string path;
};

// Each kind of edit, as the keys and commands run it.
const std::vector<std::pair<std::string, Edit>>& every_edit() {
    static const std::vector<std::pair<std::string, Edit>> edits = {
        {"start", [](LabelSession& s) { shift_sample_time(s, 3); }},
        {"end",
         [](LabelSession& s) {
             s.state.edit_mode = 2;
             shift_sample_time(s, -4);
             s.state.edit_mode = 1;
         }},
        {"turn", [](LabelSession& s) { turn_sample_frame(s, 5); }},
        {"auto-adjust", auto_adjust_sample},
        {"revert", revert_sample},
        {"label", [](LabelSession& s) { set_sample_label(s, 7); }},
        {"add", [](LabelSession& s) { add_sample(s, insert_time_ms(s)); }},
        {"split", [](LabelSession& s) { split_sample(s); }},
        {"delete",
         [](LabelSession& s) {
             delete_sample(s);
             next_sample(s);
         }},
    };
    return edits;
}

TEST_F(Edits, AddPlacesTheSampleInOrderAfterTheCurrentOne) {
    state().default_length_s = 4.0;
    ASSERT_TRUE(add_sample(session, insert_time_ms(session)));
    ASSERT_EQ(session.samples.count, 5);
    // Sample 1 ends at 15 s: the new one starts 100 ms later, 4 s long, id 4, current.
    EXPECT_EQ(sample(2).sample_id, 4);
    EXPECT_EQ(sample(2).start_ms, 15100);
    EXPECT_EQ(sample(2).end_ms, 19100);
    EXPECT_EQ(sample(3).sample_id, 2);
    EXPECT_EQ(state().current_sample, 2);
    EXPECT_EQ(sample(2).first_pose, 51);  // refreshed: framed on the track
    EXPECT_EQ(sample(2).pose_count, 41);
    EXPECT_TRUE(state().unsaved);
    // A default length reaching into the next sample ends 100 ms before it.
    state().default_length_s = 60.0;
    ASSERT_TRUE(add_sample(session, 25000));
    EXPECT_EQ(sample(4).start_ms, 25000);
    EXPECT_EQ(sample(4).end_ms, 29900);
    // No room: fewer than 100 ms before the next sample.
    EXPECT_FALSE(add_sample(session, 29850));
    EXPECT_EQ(session.samples.count, 6);
}

TEST_F(Edits, SplitCutsAtTheMiddleAndKeepsLabelAndCorrection) {
    turn_sample_frame(session, 20);
    ASSERT_TRUE(split_sample(session));
    ASSERT_EQ(session.samples.count, 5);
    EXPECT_EQ(sample(1).end_ms, 13400);
    EXPECT_EQ(sample(2).start_ms, 13500);
    EXPECT_EQ(sample(2).end_ms, 15000);
    EXPECT_EQ(sample(2).sample_id, 4);
    EXPECT_EQ(sample(2).label, 2);
    EXPECT_DOUBLE_EQ(sample(2).heading_offset, 0.02);
    EXPECT_DOUBLE_EQ(sample(2).frame_heading, 0.52);
    EXPECT_EQ(state().current_sample, 2);
    // Too short to split: under 400 ms.
    sample(2).end_ms = 13800;
    EXPECT_FALSE(split_sample(session));
    // Labelling off: no edit.
    toggle_labelling(session);
    state().current_sample = 3;
    EXPECT_FALSE(split_sample(session));
}

TEST_F(Edits, EveryKindUndoesToTheLoadedBytesAndRedoesToTheEdited) {
    const std::string loaded = saved();
    for (const auto& [action, edit] : every_edit())
        EXPECT_TRUE(run_edit(session, action, edit)) << action;
    EXPECT_EQ(state().last_action, "delete");
    const std::string edited = saved();
    ASSERT_NE(edited, loaded);
    const size_t steps = every_edit().size();
    ASSERT_EQ(session.history.undo.size(), steps);
    for (size_t k = 0; k < steps; ++k) EXPECT_TRUE(undo_edit(session)) << k;
    EXPECT_FALSE(undo_edit(session));
    EXPECT_EQ(state().last_action, "undid start");
    EXPECT_EQ(saved(), loaded);
    EXPECT_EQ(state().current_sample, 1);
    for (size_t k = 0; k < steps; ++k) EXPECT_TRUE(redo_edit(session)) << k;
    EXPECT_FALSE(redo_edit(session));
    EXPECT_EQ(saved(), edited);
    // A new edit after an undo forgets the redo.
    undo_edit(session);
    ASSERT_EQ(session.history.redo.size(), 1u);
    run_edit(session, "label", [](LabelSession& s) { set_sample_label(s, 3); });
    EXPECT_TRUE(session.history.redo.empty());
}

TEST_F(Edits, OnlyChangesAreStepsAndTheHistoryIsBounded) {
    // Labelling off: the keys change nothing, so nothing is kept.
    toggle_labelling(session);
    EXPECT_FALSE(run_edit(session, "start", [](LabelSession& s) { shift_sample_time(s, 1); }));
    EXPECT_TRUE(session.history.undo.empty());
    EXPECT_FALSE(std::filesystem::exists(journal_path_for(path)));
    toggle_labelling(session);
    for (int k = 0; k < 250; ++k)
        run_edit(session, "turn", [](LabelSession& s) { turn_sample_frame(s, 1); });
    EXPECT_EQ(session.history.undo.size(), EditHistory::kMaxUndo);
    start_edit_history(session, path);  // a load
    EXPECT_TRUE(session.history.undo.empty());
    EXPECT_EQ(state().last_action, "");
}

TEST_F(Edits, JournalPathSitsBesideTheFile) {
    EXPECT_EQ(journal_path_for("/data/run/scene_samples.txt"),
              (std::filesystem::path("/data/run") / ".scene_samples.txt.journal").string());
    EXPECT_EQ(journal_path_for("s.txt"), ".s.txt.journal");
}

TEST_F(Edits, JournalRestoresCompleteEntriesOnly) {
    run_edit(session, "label", [](LabelSession& s) { set_sample_label(s, 9); });
    run_edit(session, "split", [](LabelSession& s) { split_sample(s); });
    const std::vector<TrackSample> edited = active();
    const std::string journal = journal_path_for(path);
    // An entry cut short by a crash, and one that does not read, are left out.
    {
        std::ofstream out(journal, std::ios::app);
        out << "edit 5 1\nr 1 1 12000 99999 2 1 0 0 0 0\n";
    }
    std::string text = dir.read(journal);
    // A fresh session on the same files.
    fresh();
    load_poses(300);
    load_samples("1 12000 15000 2\n2 20000 24000 1\n3 30000 33000 0\n");
    start_edit_history(session, path);
    EXPECT_EQ(restore_journal(session), 2);
    ASSERT_EQ(active().size(), edited.size());
    for (size_t k = 0; k < edited.size(); ++k) {
        EXPECT_FALSE(samples_differ({active()[k]}, {edited[k]})) << k;
        EXPECT_EQ(active()[k].first_pose, edited[k].first_pose) << k;  // refreshed
    }
    EXPECT_TRUE(state().unsaved);
    // The next edit appends to the same journal; a save removes it.
    toggle_labelling(session);
    run_edit(session, "label", [](LabelSession& s) { set_sample_label(s, 1); });
    EXPECT_GT(dir.read(journal).size(), text.size());
    journal_saved(session, dir.file("out.txt"));
    EXPECT_FALSE(std::filesystem::exists(journal));
    // A damaged journal restores nothing.
    std::ofstream(journal) << "edit 99999999999 1\nr x\nend\n";
    EXPECT_EQ(restore_journal(session), 0);
}

#ifndef _WIN32
// The program killed (SIGKILL) between its edits and a save: the edits come back
// from the journal.
TEST_F(Edits, JournalRestoresEditsOfAKilledProcess) {
    auto edit = [](LabelSession& s) {
        run_edit(s, "end", [](LabelSession& t) {
            t.state.edit_mode = 2;
            shift_sample_time(t, 7);
        });
        run_edit(s, "label", [](LabelSession& t) { set_sample_label(t, 5); });
        run_edit(s, "add", [](LabelSession& t) { add_sample(t, 26000); });
        run_edit(s, "turn", [](LabelSession& t) { turn_sample_frame(t, -3); });
    };
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        edit(session);
        const char done = 1;
        if (write(ready[1], &done, 1) != 1) _exit(1);
        for (;;) pause();  // waits for the kill, never saves
    }
    char done = 0;
    ASSERT_EQ(read(ready[0], &done, 1), 1);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
    ASSERT_TRUE(WIFSIGNALED(status));
    // What the edits make, here in this process (which keeps no journal).
    session.journal.path.clear();
    edit(session);
    const std::vector<TrackSample> expected = active();
    // The program started again on the same files.
    fresh();
    load_poses(300);
    load_samples("1 12000 15000 2\n2 20000 24000 1\n3 30000 33000 0\n");
    start_edit_history(session, path);
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) - std::chrono::seconds(5));
    ASSERT_TRUE(journal_is_newer(path));
    EXPECT_EQ(restore_journal(session), 4);
    ASSERT_EQ(active().size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_FALSE(samples_differ({active()[k]}, {expected[k]})) << k;
}
#endif

}  // namespace
