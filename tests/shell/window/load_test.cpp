// Loading from the File menu: the file dialogs, cancelled and failed loads, and
// the progress window of long loads.
#include <chrono>

#include "shell/load_progress.h"
#include "shell_fixture.h"

namespace {

using namespace shell_test;
using LoadCommands = ShellSession;
using Filters = std::vector<std::pair<std::string, std::string>>;

Filters filters(std::size_t dialog) {
    Filters f;
    for (const plat::FileFilter& x : hl::file_dialogs().at(dialog).options.filters) {
        f.emplace_back(x.name, x.pattern);
    }
    return f;
}

TEST_F(LoadCommands, EgoTrajAndOrgLoadThroughTheirFileDialogs) {
    hl::queue_file_answer(nav_file());
    menu(ids::IDM_LOAD_EGO);
    hl::queue_file_answer(traj_file());
    menu(ids::IDM_LOAD_MOV);
    EXPECT_EQ(pose_track_loaded(scene().pose), 1);
    EXPECT_EQ(scene().store.entry_count, 2);
    EXPECT_EQ(scene().store.current_frame,
              11);                       // the scene started: one step after its first frame
    EXPECT_EQ(invalidations(false), 2);  // each load shows the new scene
    hl::queue_file_answer(dir.write("origin.txt", "1 1500 0 0 12.5 -3 0.25\n"));
    menu(ids::IDM_LOAD_ORG);
    EXPECT_EQ(origin_track_loaded(scene().origin), 1);
    EXPECT_EQ(invalidations(true), 0);  // a loaded origin asks for nothing

    EXPECT_EQ(hl::file_dialogs().at(0).options.title, "Load Vehile Pose");
    EXPECT_EQ(filters(0),
              (Filters{{"Vehile Pose(*.nav)", "*.nav"}, {"Vehile Pose(*.pos)", "*.pos"}}));
    EXPECT_EQ(hl::file_dialogs().at(1).options.title, "Load TRAJ File");
    EXPECT_EQ(filters(1),
              (Filters{{"TRAJ data file(*.traj)", "*.traj*"}, {"All files(*.*)", "*.*"}}));
    EXPECT_EQ(hl::file_dialogs().at(2).options.title, "Load Origin Point File");
    EXPECT_EQ(filters(2), (Filters{{"Origin Point File(*.txt)", "*.txt"}}));
    EXPECT_TRUE(hl::file_dialogs().at(0).options.must_exist);
}

TEST_F(LoadCommands, CancelledLoadsChangeNothingButOrgRepaintsWithErase) {
    ASSERT_EQ(load_ego(scene(), nav_file()) + load_mov(scene(), traj_file()), 2);
    for (int id : {ids::IDM_LOAD_EGO, ids::IDM_LOAD_MOV, ids::IDM_LOAD_ORG}) {
        hl::queue_file_answer(std::nullopt);
        menu(id);
    }
    EXPECT_EQ(pose_track_loaded(scene().pose) + traj_store_loaded(scene().store), 2);
    EXPECT_EQ(scene().store.current_frame, 11);
    EXPECT_EQ(invalidations(false), 0);
    EXPECT_EQ(invalidations(true), 1);
}

TEST_F(LoadCommands, FailedLoadsReportAndLeaveTheStoresEmpty) {
    ASSERT_EQ(load_ego(scene(), nav_file()) + load_mov(scene(), traj_file()), 2);
    hl::queue_file_answer(dir.file("no-such-file.traj"));
    menu(ids::IDM_LOAD_MOV);
    hl::queue_file_answer(dir.write("title.traj", "just a title line\n"));
    menu(ids::IDM_LOAD_MOV);
    ASSERT_EQ(hl::message_boxes().size(), 2u);
    EXPECT_EQ(hl::message_boxes()[0].caption, "Error");
    EXPECT_EQ(hl::message_boxes()[0].text, "Open TRAJ file failure.");
    EXPECT_EQ(hl::message_boxes()[1].text,
              "Invalid TRAJ file.\n" + dir.file("title.traj") + ": no tno line");
    EXPECT_EQ(traj_store_loaded(scene().store), 0);

    // Pose failures go to standard error as a whole line, and, since a user of the
    // window does not see that, to a message box as well.
    hl::queue_file_answer(dir.write("blank.nav", "no data\n"));
    testing::internal::CaptureStderr();
    menu(ids::IDM_LOAD_EGO);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Invalid data : " + dir.file("blank.nav") + "\n");
    EXPECT_EQ(pose_track_loaded(scene().pose), 0);
    ASSERT_EQ(hl::message_boxes().size(), 3u);
    EXPECT_EQ(hl::message_boxes()[2].caption, "Error");
    EXPECT_EQ(hl::message_boxes()[2].text, "Invalid data : " + dir.file("blank.nav"));
    EXPECT_TRUE(hl::invalidations().empty());
}

// A number beyond the 32-bit range in a pose or origin file: the design's message
// and a second line with the file, the line and the field, in the message box and
// on standard error.
TEST_F(LoadCommands, OutOfRangeNumbersShowTwoLineMessages) {
    const std::string pose = dir.write("range.nav", "1000 0 0 0 1 2 0\n99999999999 0 0 0 1 2 0\n");
    const std::string origin =
        dir.write("range.txt", "1 1500 0 0 12.5 -3 0.25\n1 -2147483649 0 0 1 2 0\n");
    const std::string traj =
        dir.write("range.traj", "tno=2147483648\n1000,1,0,0,4,2,0,1,0,5,0,1,7\n");
    const struct {
        int menu_id;
        std::string path;
        std::string message;
    } cases[] = {
        {ids::IDM_LOAD_EGO, pose,
         "Invalid data : " + pose + "\n" + pose + ": line 2: time out of range"},
        {ids::IDM_LOAD_ORG, origin,
         "Invalid data : " + origin + "\n" + origin + ": line 2: time out of range"},
        {ids::IDM_LOAD_MOV, traj,
         "Invalid TRAJ file.\n" + traj + ": line 1: trajectory id out of range"},
    };
    for (const auto& c : cases) {
        hl::queue_file_answer(c.path);
        testing::internal::CaptureStderr();
        menu(c.menu_id);
        const std::string err = testing::internal::GetCapturedStderr();
        // The TRAJ loader's report goes to the box alone, as the design has it.
        EXPECT_EQ(err, c.menu_id == ids::IDM_LOAD_MOV ? "" : c.message + "\n");
        ASSERT_FALSE(hl::message_boxes().empty());
        EXPECT_EQ(hl::message_boxes().back().caption, "Error");
        EXPECT_EQ(hl::message_boxes().back().text, c.message);
    }
    EXPECT_EQ(hl::message_boxes().size(), 3u);
    EXPECT_EQ(pose_track_loaded(scene().pose) + origin_track_loaded(scene().origin) +
                  traj_store_loaded(scene().store),
              0);
}

TEST_F(LoadCommands, LongLoadShowsProgressWithTheFileNameAndBusyCursor) {
    const plat::Hcursor before = plat::get_cursor();
    {
        shell::LoadProgressWindow late(main, "quick.traj", std::chrono::hours(1));
        late.update(1, 2);
        EXPECT_FALSE(late.window());

        shell::LoadProgressWindow progress(main, "/data/big.traj", std::chrono::milliseconds(0));
        progress.callback()(50, 200);
        ASSERT_TRUE(progress.window());
        EXPECT_EQ(plat::get_dlg_item_text(progress.window(), shell::IDC_PROGRESS_FILE), "big.traj");
        EXPECT_EQ(plat::get_dlg_item_text(progress.window(), shell::IDC_PROGRESS_PERCENT), "25 %");
        EXPECT_EQ(hl::current_cursor_name(), "wait");
    }
    EXPECT_FALSE(hl::find_dialog(shell::IDD_LOAD_PROGRESS));
    EXPECT_EQ(plat::get_cursor(), before);
}

}  // namespace

// A new TRAJ file starts without the boxes the previous one left in the history.
TEST_F(LoadCommands, LoadMovDropsThePreviousStoresHistory) {
    hl::queue_file_answer(nav_file());
    menu(ids::IDM_LOAD_EGO);
    hl::queue_file_answer(traj_file());
    menu(ids::IDM_LOAD_MOV);  // painted once: the first frame's boxes recorded
    ASSERT_GT(scene().history.appended, 0);
    ASSERT_EQ(shell::load_mov(scene(), traj_file()), 1);
    EXPECT_EQ(scene().history.appended, 0);
}
