// The labelling tool's window as a user works it: its menu and keys, the Settings
// dialog, playback of the overview, saving, and the question before unsaved edits
// are lost.
#include <filesystem>

#include "render/display_settings.h"
#include "shell/frame_control.h"
#include "vantrel_fixture.h"

namespace {

using namespace vantrel_test;
using Session = VantrelSession;

// Three samples of 2 s, from 3 s, 8 s and 13 s.
const char* kSamples = "1 3000 5000 2\n2 8000 10000 3\n3 13000 15000 0\n";

bool checked(plat::Hwnd main, int id) {
    return plat::menu_item_checked(plat::get_menu(main), id) == 1;
}

}  // namespace

TEST_F(Session, StartsAsTheLabellingToolAndShowsTheFrameControlOnceBothFilesAreIn) {
    EXPECT_EQ(plat::get_window_text(main), "Vantrel");
    EXPECT_DOUBLE_EQ(app->view.settings.yxFactor, 10.0);
    EXPECT_TRUE(checked(main, ids::IDM_GRID_LINE));
    EXPECT_FALSE(checked(main, ids::IDM_V_TRAJ_ID));
    command(ids::IDM_LOAD_EGO, dir.write("ego.nav", track_text()));
    EXPECT_FALSE(app->app.frameControl);
    command(ids::IDM_V_LOAD_SAMPLES, dir.write("samples.txt", kSamples));
    const plat::Hwnd fc = app->app.frameControl;
    ASSERT_TRUE(fc);
    EXPECT_EQ(plat::get_dlg_item_text(fc, ids::IDC_FRAME_NO), "-1");  // play_step - 1
    EXPECT_EQ(plat::get_dlg_item_text(fc, ids::IDC_TIME), "");
    EXPECT_EQ(hl::file_dialogs().at(1).options.title, "Load Sample File");
}

TEST_F(Session, KeysActOnlyWhileLabellingAndAcceleratorsSetTheEditMode) {
    load(track_text(), kSamples);
    key(plat::VK_RIGHT);
    key(plat::VK_NEXT);
    EXPECT_EQ(sample(1).start_ms, 3000);
    EXPECT_EQ(state().current_sample, 1);

    key('D', false, true);  // Ctrl+D
    EXPECT_TRUE(state().labelling);
    key(plat::VK_RIGHT);
    key(plat::VK_RIGHT, true);  // Shift: a second
    EXPECT_EQ(sample(1).start_ms, 4100);
    key('E', false, true);  // Ctrl+E: the end
    key(plat::VK_LEFT);
    EXPECT_EQ(sample(1).end_ms, 4900);
    key('Y', false, true);  // Ctrl+Y: the heading
    key(plat::VK_RIGHT);
    EXPECT_DOUBLE_EQ(sample(1).heading_offset, 0.001);
    key(plat::VK_NEXT);
    EXPECT_EQ(state().current_sample, 2);
    key(plat::VK_DELETE);
    EXPECT_EQ(sample(2).active, 0);
    EXPECT_EQ(state().current_sample, 3);
    key(plat::VK_PRIOR);  // the deleted sample is skipped
    EXPECT_EQ(state().current_sample, 1);
    EXPECT_TRUE(state().unsaved);
}

TEST_F(Session, SettingsDialogShowsAndAppliesTheCurrentSampleAndTheMargin) {
    load(track_text(), kSamples);
    command(ids::IDM_SAMPLE_SETTINGS);  // labelling off: nothing opens
    EXPECT_FALSE(hl::find_dialog(ids::IDD_SAMPLE_SETTINGS));
    key('D', false, true);
    std::string shown;
    hl::set_dialog_script([&shown](plat::Hwnd dlg, int) {
        shown = plat::get_dlg_item_text(dlg, ids::IDC_CUR_TRAJ_ID) + " " +
                plat::get_dlg_item_text(dlg, ids::IDC_TRAJ_MARGIN);
        plat::set_dlg_item_text(dlg, ids::IDC_CUR_TRAJ_ID, "3");
        plat::set_dlg_item_text(dlg, ids::IDC_TRAJ_MARGIN, "2.5");
        hl::press_button(dlg, plat::IDOK);
    });
    command(ids::IDM_SAMPLE_SETTINGS);
    EXPECT_EQ(shown, "1 5.0");
    EXPECT_EQ(state().current_sample, 3);
    EXPECT_EQ(state().margin_poses, 25);
}

TEST_F(Session, PlaybackDrawsTheOverviewOutTwoPosesATickWithTheAcceleratorsLive) {
    load(track_text(), kSamples);
    int ticks = 0;
    hl::set_sleep_hook([&](unsigned) {
        if (++ticks == 3) hl::key_press(main, 'D');  // no Ctrl: not an accelerator
        if (ticks == 4) {
            hl::set_key_down(plat::VK_CONTROL, true);
            hl::key_press(main, 'D');
            hl::set_key_down(plat::VK_CONTROL, false);
        }
        if (ticks == 6) hl::press_button(app->app.frameControl, ids::IDC_STOP);
    });
    hl::press_button(app->app.frameControl, ids::IDC_START);
    run();
    hl::set_sleep_hook(nullptr);
    EXPECT_EQ(state().play_step, 12);  // six ticks; the last sleep ends playback
    EXPECT_TRUE(state().labelling);
    EXPECT_EQ(plat::get_dlg_item_text(app->app.frameControl, ids::IDC_FRAME_NO), "11");
}

TEST_F(Session, SavesWriteTheSamplesAndAPoseFilePerSample) {
    load(track_text(), kSamples);
    command(ids::IDM_V_SAVE_SAMPLES, dir.file("work"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("work.txt")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("work2.nav")));
    EXPECT_EQ(hl::file_dialogs().back().options.title, "Save Sample File");
    EXPECT_TRUE(hl::file_dialogs().back().save);

    // A base name in a missing folder: nothing is written and the box says so.
    command(ids::IDM_V_SAVE_SAMPLES, dir.file("missing/work"));
    ASSERT_EQ(hl::message_boxes().size(), 1u);
    EXPECT_EQ(hl::message_boxes()[0].text,
              "Open file failure.\n" + dir.file("missing/work.txt") +
                  ": cannot create a file in the folder: No such file or directory");
    EXPECT_EQ(hl::message_boxes()[0].caption, dir.file("missing/work"));
    // A folder in the way of the second export: a save is all or nothing.
    std::filesystem::create_directory(dir.file("other1.nav"));
    command(ids::IDM_V_SAVE_SAMPLES, dir.file("other"));
    EXPECT_EQ(hl::message_boxes().back().caption, dir.file("other1.nav"));
    for (const char* name : {"other.txt", "other0.nav", "other2.nav"})
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
}

TEST_F(Session, ClosingWithoutEditsAsksNothing) {
    load(track_text(), kSamples);
    command(ids::IDM_V_EXIT);  // nothing edited: no question
    EXPECT_TRUE(quit);
    EXPECT_TRUE(hl::message_boxes().empty());
}

// Closing, "Load Samples" and "Load Ego" with unsaved edits ask first.
TEST_F(Session, CancelKeepsTheWorkDiscardGoesOnSaveSavesFirst) {
    load(track_text(), kSamples);
    key('D', false, true);
    key(plat::VK_RIGHT);
    ASSERT_TRUE(state().unsaved);
    hl::clear_logs();

    hl::queue_message_box_answer(plat::IDCANCEL);
    command(ids::IDM_V_LOAD_SAMPLES, dir.write("other.txt", "9 20000 21000 1\n"));
    EXPECT_EQ(hl::message_boxes().at(0).text, "Save changes to the samples?");
    EXPECT_EQ(hl::message_boxes().at(0).buttons, plat::MessageButtons::SaveDiscardCancel);
    EXPECT_TRUE(hl::file_dialogs().empty());  // the load did not even ask for a file
    EXPECT_EQ(session().samples.count, 4);
    hl::clear_file_answers();

    hl::queue_message_box_answer(plat::IDYES);  // Save, but the save dialog is cancelled
    hl::click_close_box(main);
    run();
    EXPECT_FALSE(quit);

    hl::queue_message_box_answer(plat::IDYES);
    hl::queue_file_answer(dir.file("kept"));
    hl::click_close_box(main);
    run();
    EXPECT_TRUE(std::filesystem::exists(dir.file("kept.txt")));
    EXPECT_TRUE(quit);
}

TEST_F(Session, DiscardLetsTheLoadGoOn) {
    load(track_text(), kSamples);
    key('D', false, true);
    key(plat::VK_DELETE);
    hl::queue_message_box_answer(plat::IDNO);
    command(ids::IDM_V_LOAD_SAMPLES, dir.write("other.txt", "9 20000 21000 1\n"));
    EXPECT_EQ(session().samples.count, 2);
    EXPECT_FALSE(state().unsaved);  // a sample load starts clean
}

TEST_F(Session, FailedLoadsAreShownInTheWindow) {
    command(ids::IDM_LOAD_EGO, dir.write("blank.nav", "no poses\n"));
    command(ids::IDM_V_LOAD_SAMPLES, dir.file("missing.txt"));
    command(ids::IDM_V_LOAD_TRAJ_GEN, dir.write("gen.txt", "x\n"));
    ASSERT_EQ(hl::message_boxes().size(), 3u);
    EXPECT_EQ(hl::message_boxes()[0].text, "Invalid data : " + dir.file("blank.nav"));
    EXPECT_EQ(hl::message_boxes()[1].text, "Open TRAJ file failure.");
    EXPECT_EQ(hl::message_boxes()[2].text, "Invalid data : " + dir.file("gen.txt"));
    for (const auto& box : hl::message_boxes()) EXPECT_EQ(box.caption, "Error");
}

// Numbers beyond the 32-bit range in the ego track, the sample file and the Traj Gen
// file: the design's message with a second line naming the file, the line and the
// field, in the window's message box, and for the pose and Traj Gen loads on
// standard error too.
TEST_F(Session, OutOfRangeNumbersShowTwoLineMessages) {
    const std::string ego =
        dir.write("range.pos", "1 1000 0 0 0 1 2 0\n2147483648 1040 0 0 0 1 2 0\n");
    const std::string samples = dir.write("range.txt", "1 3000 5000 2\n2 8000 10000 4294967298\n");
    const std::string empty = dir.write("none.txt", "# id start end label\n");
    const std::string gen = dir.write("gen.txt", "# t x y\n-1 0 0\n2147483648 1 2\n");
    const struct {
        int id;
        std::string path;
        std::string message;
        bool on_stderr;
    } cases[] = {
        {ids::IDM_LOAD_EGO, ego,
         "Invalid data : " + ego + "\n" + ego + ": line 2: sequence number out of range", true},
        {ids::IDM_V_LOAD_SAMPLES, samples,
         "Invalid TRAJ file.\n" + samples + ": line 2: label out of range", false},
        {ids::IDM_V_LOAD_SAMPLES, empty, "Invalid TRAJ file.\n" + empty + ": no sample line",
         false},
        {ids::IDM_V_LOAD_TRAJ_GEN, gen,
         "Invalid data : " + gen + "\n" + gen + ": line 3: time out of range", true},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        command(c.id, c.path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.on_stderr ? c.message + "\n" : "");
        ASSERT_FALSE(hl::message_boxes().empty());
        EXPECT_EQ(hl::message_boxes().back().caption, "Error");
        EXPECT_EQ(hl::message_boxes().back().text, c.message);
    }
    EXPECT_EQ(hl::message_boxes().size(), 4u);
    EXPECT_EQ(pose_track_loaded(session().pose) + samples_loaded(session().samples) +
                  traj_gen_loaded(session().traj_gen),
              0);
}

// "Load Ego" after the samples: the pose period and margin from the new track,
// and every sample anchored on it.
TEST_F(Session, LoadEgoAfterTheSamplesAnchorsThem) {
    command(ids::IDM_V_LOAD_SAMPLES, dir.write("samples.txt", kSamples));
    EXPECT_EQ(sample(1).pose_count, 0);
    std::string track;
    for (int i = 0; i < 300; ++i) track += std::to_string(1000 + 40 * i) + " 0 0 0 0 0 0\n";
    command(ids::IDM_LOAD_EGO, dir.write("ego.nav", track));
    EXPECT_EQ(state().margin_poses, 125);  // 5 s of poses 40 ms apart
    EXPECT_EQ(sample(1).first_pose, 50);
    EXPECT_EQ(sample(1).last_pose, 100);
    EXPECT_EQ(sample(2).first_pose, 175);
    EXPECT_TRUE(app->app.frameControl);
}
