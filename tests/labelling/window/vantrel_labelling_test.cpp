// The labelling tool as a labeller works it: the status line and title, the new
// keys through the script mode, the journal, the save name and the overlap report.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "labelling/edits.h"
#include "labelling/status_text.h"
#include "labelling/vantrel_app.h"
#include "tests/support/main_run.h"
#include "vantrel_fixture.h"

namespace {

namespace hl = plat::headless;
namespace ids = resources;
namespace fs = std::filesystem;

// Poses 1 s .. 20.9 s; samples 7 (2 s .. 4.5 s, label 2) and 8 (9 s .. 12 s, label 9).
const char* const kSamples = "7 2000 4500 2\n8 9000 12000 9\n";

class VantrelLabelling : public vantrel_test::VantrelSession {
  protected:
    void load_default() { load(vantrel_test::track_text(200), kSamples); }
    std::string title() { return plat::get_window_text(main); }
};

TEST_F(VantrelLabelling, TitleAndStatusFollowTheKeys) {
    load_default();
    EXPECT_EQ(title(), "Vantrel \u2014 samples.txt");
    command(ids::IDM_LABELLING);
    EXPECT_EQ(status_text(session()).substr(0, 45),
              "Labelling on | edit start | sample 1 of 2 | i");
    key(plat::VK_RIGHT, true);
    EXPECT_EQ(title(), "Vantrel \u2014 samples.txt *");
    EXPECT_NE(status_text(session()).find("| 00:00:03.000 - 00:00:04.500 (3000 - 4500 ms) | 1.5 s"),
              std::string::npos)
        << status_text(session());
    EXPECT_EQ(state().last_action, "start +1 s");
    key('3');
    EXPECT_EQ(sample(1).label, 3);
    EXPECT_EQ(state().last_action, "label 3");
    key('Z', false, true);
    EXPECT_EQ(sample(1).label, 2);
    EXPECT_EQ(state().last_action, "undid label 3");
    key('Z', true, true);
    EXPECT_EQ(sample(1).label, 3);
    // With Ctrl the label, insert and split keys do nothing.
    key('4', false, true);
    key('N', false, true);
    key(plat::VK_INSERT, false, true);
    EXPECT_EQ(sample(1).label, 3);
    EXPECT_EQ(session().samples.count, 3);
    // Ctrl+Y stays the heading edit.
    key('Y', false, true);
    EXPECT_EQ(state().edit_mode, 3);
    EXPECT_EQ(sample(1).label, 3);
    // A save: no star, the journal gone.
    ASSERT_TRUE(fs::exists(dir.file(".samples.txt.journal")));
    command(ids::IDM_V_SAVE_SAMPLES, dir.file("samples"));
    EXPECT_EQ(title(), "Vantrel \u2014 samples.txt");
    EXPECT_FALSE(fs::exists(dir.file(".samples.txt.journal")));
}

TEST_F(VantrelLabelling, LabelNamesFromTheFileBesideAndTheSettings) {
    dir.write("labels.txt", "0=none\n2=lane change right\n");
    load_default();
    command(ids::IDM_LABELLING);
    EXPECT_NE(status_text(session()).find("label 2 (lane change right)"), std::string::npos);
    hl::set_dialog_script([](plat::Hwnd dlg, int) {
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_LABEL_NAMES, 200), "0=none; 2=cut in");
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_DEFAULT_LENGTH, 20), "5.0");
        plat::set_dlg_item_text(dlg, ids::IDC_LABEL_NAMES, "2=overtake");
        plat::set_dlg_item_text(dlg, ids::IDC_DEFAULT_LENGTH, "2.5");
        hl::press_button(dlg, plat::IDOK);
    });
    session().label_names[2] = "cut in";
    command(ids::IDM_SAMPLE_SETTINGS);
    EXPECT_NE(status_text(session()).find("label 2 (overtake)"), std::string::npos);
    EXPECT_DOUBLE_EQ(state().default_length_s, 2.5);
    key(plat::VK_INSERT);
    EXPECT_EQ(sample(2).start_ms, 4600);
    EXPECT_EQ(sample(2).end_ms, 7100);
}

TEST_F(VantrelLabelling, OverlapsShortenedOnLoadAreReported) {
    load(vantrel_test::track_text(200), "1 2000 5000 1\n2 4000 6000 1\n3 5500 9000 0\n");
    ASSERT_EQ(hl::message_boxes().size(), 1u);
    EXPECT_EQ(hl::message_boxes()[0].text,
              "2 samples end after the next one starts and were shortened to end 100 ms "
              "before it:\n"
              "sample 1: end 5000 ms (00:00:05.000) -> 3900 ms (00:00:03.900)\n"
              "sample 2: end 6000 ms (00:00:06.000) -> 5400 ms (00:00:05.400)");
    EXPECT_NE(status_text(session()).find("2 shortened on load"), std::string::npos);
    // Nothing shortened: no box.
    hl::clear_logs();
    command(ids::IDM_V_LOAD_SAMPLES, dir.write("clean.txt", kSamples));
    EXPECT_TRUE(hl::message_boxes().empty());
    EXPECT_EQ(state().shortened_on_load, 0);
}

TEST_F(VantrelLabelling, AJournalNewerThanTheFileIsOfferedBack) {
    load_default();
    command(ids::IDM_LABELLING);
    key('5');
    key(plat::VK_DELETE);
    const std::string journal = dir.file(".samples.txt.journal");
    ASSERT_TRUE(fs::exists(journal));
    fs::last_write_time(dir.file("samples.txt"),
                        fs::last_write_time(journal) - std::chrono::seconds(10));
    // As if the program had been killed: the next load does not ask about the edits.
    app->ask = false;
    // The journal declined: the file as it is.
    hl::clear_logs();
    hl::queue_message_box_answer(plat::IDNO);
    command(ids::IDM_V_LOAD_SAMPLES, dir.file("samples.txt"));
    ASSERT_EQ(hl::message_boxes().size(), 1u);
    EXPECT_EQ(hl::message_boxes()[0].buttons, plat::MessageButtons::YesNo);
    EXPECT_EQ(hl::message_boxes()[0].text, "Unsaved edits of " + dir.file("samples.txt") +
                                               " were kept in its journal. Restore them?");
    EXPECT_EQ(sample(1).label, 2);
    EXPECT_FALSE(state().unsaved);
    // Taken: the edits are back, unsaved.
    hl::queue_message_box_answer(plat::IDYES);
    command(ids::IDM_V_LOAD_SAMPLES, dir.file("samples.txt"));
    EXPECT_EQ(sample(1).label, 5);
    EXPECT_EQ(sample(1).active, 0);
    EXPECT_TRUE(state().unsaved);
    EXPECT_EQ(state().last_action, "restored 2 edits");
    EXPECT_EQ(title(), "Vantrel \u2014 samples.txt *");
    // Edits given up at the question are not offered back.
    app->ask = true;
    hl::clear_logs();
    hl::queue_message_box_answer(plat::IDNO);
    command(ids::IDM_V_LOAD_SAMPLES, dir.file("samples.txt"));
    EXPECT_FALSE(fs::exists(journal));
    ASSERT_EQ(hl::message_boxes().size(), 1u);
    EXPECT_EQ(hl::message_boxes()[0].buttons, plat::MessageButtons::SaveDiscardCancel);
}

class VantrelLabellingScript : public testing::Test {
  protected:
    test_support::MainRun run(const std::string& script, const std::string& samples = kSamples) {
        return test_support::run_main(
            labelling::vantrel_main, "vantrel",
            {"--ego", dir.write("ego.nav", vantrel_test::track_text(200)), "--samples",
             dir.write("samples.txt", samples), "--script", dir.write("s.script", script)});
    }
    test_support::TempFolder dir;
};

TEST_F(VantrelLabellingScript, NewKeysAndTheDumpsCounts) {
    const test_support::MainRun r =
        run("key Ctrl+D\nkey 4\ndump\nkey Insert\nkey N\nkey Ctrl+Z\ndump\nkey Ctrl+Shift+Z\n"
            "key Ctrl+Z\nkey Ctrl+Z\ndump\n");
    ASSERT_EQ(r.status, 0) << r.err;
    // Label 4; then a sample added after it (id 9, 4.6 s .. 8.9 s, cut before sample 8),
    // split (id 10 from 6.75 s), the split undone.
    EXPECT_NE(r.out.find("undo_sample=-1 label=4 undo=1 redo=0 journal=1\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("current_sample=2 labelling=1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("undo_sample=-1 label=0 undo=2 redo=1 journal=1\n"
                         "index,sample_id,start_ms,end_ms,first_pose,last_pose,pose_count,label,"
                         "origin_x,origin_y,frame_heading,heading_offset,active\n"
                         "0,0,0,0,0,0,0,0,"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\n2,9,4600,8900,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("undo=1 redo=2 journal=1\n"), std::string::npos) << r.out;
    // The script ends with unsaved edits: their journal stays.
    const std::string journal = dir.read(".samples.txt.journal");
    EXPECT_EQ(journal.rfind("# vantrel journal: unsaved edits of samples.txt\nedit 3 1\n", 0), 0u)
        << journal;
    EXPECT_EQ(journal.substr(journal.size() - 4), "end\n");
}

TEST_F(VantrelLabellingScript, ASaveNameWithTheExtensionIsNotDoubled) {
    const test_support::MainRun r =
        run("command 23 " + dir.file("run1.txt") + "\ncommand 23 " + dir.file("run2") + "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"run1.txt", "run10.nav", "run11.nav", "run2.txt", "run20.nav"})
        EXPECT_TRUE(fs::exists(dir.file(name))) << name;
    for (const char* name : {"run1.txt.txt", "run1.txt0.nav"})
        EXPECT_FALSE(fs::exists(dir.file(name))) << name;
}

TEST_F(VantrelLabellingScript, OverlapsGoToStandardError) {
    const test_support::MainRun r = run("dump\n", "1 2000 5000 1\n2 4000 6000 1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Vantrel: 1 sample ends after the next one starts and was shortened to "
                         "end 100 ms before it:\n"
                         "sample 1: end 5000 ms (00:00:05.000) -> 3900 ms (00:00:03.900)\n"),
              std::string::npos)
        << r.err;
}

}  // namespace
