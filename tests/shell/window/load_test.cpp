// Loading from the File menu: the file dialogs, cancelled and failed loads, and
// the progress window of long loads.
#include <gtest/gtest.h>

#include <chrono>

#include "shell/load_progress.h"
#include "shell_fixture.h"

namespace {

using shell_test::ShellSession;
namespace ids = resources;
using Filters = std::vector<std::pair<std::string, std::string>>;

Filters filters_of(const plat::headless::FileDialogRecord& r) {
    Filters f;
    for (const plat::FileFilter& x : r.options.filters) f.emplace_back(x.name, x.pattern);
    return f;
}

using LoadCommands = ShellSession;

TEST_F(LoadCommands, EgoThenTrajLoadThroughTheirFileDialogs) {
    plat::headless::queue_file_answer(shell_test::nav_file());
    menu(ids::IDM_LOAD_EGO);
    EXPECT_EQ(pose_track_loaded(), 1);
    EXPECT_EQ(nav_columns(), 1);

    plat::headless::queue_file_answer(shell_test::traj_file());
    menu(ids::IDM_LOAD_MOV);
    EXPECT_EQ(traj_store_loaded(), 1);
    EXPECT_EQ(traj_store().entry_count, 2);
    // The scene starts at once: one step after its first frame.
    EXPECT_EQ(current_frame(), 11);

    const auto& dialogs = plat::headless::file_dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_FALSE(dialogs[0].save);
    EXPECT_EQ(dialogs[0].options.title, "Load Vehile Pose");
    EXPECT_EQ(filters_of(dialogs[0]),
              (Filters{{"Vehile Pose(*.nav)", "*.nav"}, {"Vehile Pose(*.pos)", "*.pos"}}));
    EXPECT_TRUE(dialogs[0].options.must_exist);
    EXPECT_EQ(dialogs[1].options.title, "Load TRAJ File");
    EXPECT_EQ(filters_of(dialogs[1]),
              (Filters{{"TRAJ data file(*.traj)", "*.traj*"}, {"All files(*.*)", "*.*"}}));
    EXPECT_TRUE(plat::headless::message_boxes().empty());
    // Each load asks for the new scene without erasing.
    EXPECT_EQ(invalidations(false), 2);
}

TEST_F(LoadCommands, CancelledLoadsChangeNothing) {
    ASSERT_EQ(load_ego(shell_test::nav_file()), 1);
    ASSERT_EQ(load_mov(shell_test::traj_file()), 1);
    const int32_t frame = current_frame();
    plat::headless::queue_file_answer(std::nullopt);
    menu(ids::IDM_LOAD_EGO);
    plat::headless::queue_file_answer(std::nullopt);
    menu(ids::IDM_LOAD_MOV);
    EXPECT_EQ(plat::headless::file_dialogs().size(), 2u);
    EXPECT_EQ(pose_track_loaded(), 1);
    EXPECT_EQ(traj_store_loaded(), 1);
    EXPECT_EQ(current_frame(), frame);
    EXPECT_TRUE(plat::headless::invalidations().empty());
}

TEST_F(LoadCommands, FailedTrajLoadsShowAnErrorBoxAndLeaveTheStoreEmpty) {
    struct Case {
        std::string path;
        const char* message;
    };
    const Case cases[] = {
        {testing::TempDir() + "no-such-file.traj", "Open TRAJ file failure."},
        {shell_test::write_temp("empty.traj", "just a title line\n"), "Invalid TRAJ file."},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(load_mov(shell_test::traj_file()), 1);
        plat::headless::clear_logs();
        plat::headless::queue_file_answer(c.path);
        menu(ids::IDM_LOAD_MOV);
        ASSERT_EQ(plat::headless::message_boxes().size(), 1u) << c.path;
        EXPECT_EQ(plat::headless::message_boxes()[0].caption, "Error");
        EXPECT_EQ(plat::headless::message_boxes()[0].text, c.message);
        EXPECT_EQ(plat::headless::message_boxes()[0].owner, main);
        EXPECT_EQ(traj_store_loaded(), 0);
        EXPECT_TRUE(plat::headless::invalidations().empty());
    }
}

TEST_F(LoadCommands, FailedEgoLoadEmptiesTheTrackWithoutABox) {
    ASSERT_EQ(load_ego(shell_test::nav_file()), 1);
    plat::headless::queue_file_answer(shell_test::write_temp("blank.nav", "no data\n"));
    testing::internal::CaptureStderr();
    menu(ids::IDM_LOAD_EGO);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Invalid data : "), std::string::npos) << err;
    EXPECT_EQ(err.back(), '\n');
    EXPECT_EQ(pose_track_loaded(), 0);
    EXPECT_TRUE(plat::headless::message_boxes().empty());
}

TEST_F(LoadCommands, OrgRepaintsWithEraseOnlyWhenCancelledOrFailed) {
    plat::headless::queue_file_answer(std::nullopt);
    menu(ids::IDM_LOAD_ORG);
    EXPECT_EQ(invalidations(true), 1);
    EXPECT_EQ(plat::headless::file_dialogs().at(0).options.title, "Load Origin Point File");
    EXPECT_EQ(filters_of(plat::headless::file_dialogs().at(0)),
              (Filters{{"Origin Point File(*.txt)", "*.txt"}}));

    plat::headless::clear_logs();
    plat::headless::queue_file_answer(testing::TempDir() + "missing_origin.txt");
    testing::internal::CaptureStderr();
    menu(ids::IDM_LOAD_ORG);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(invalidations(true), 1);

    plat::headless::clear_logs();
    plat::headless::queue_file_answer(
        shell_test::write_temp("origin.txt", "1 1500 0 0 12.5 -3 0.25\n"));
    menu(ids::IDM_LOAD_ORG);
    EXPECT_EQ(origin_track_loaded(), 1);
    EXPECT_TRUE(plat::headless::invalidations().empty());
}

TEST_F(LoadCommands, LongLoadShowsProgressWithTheFileNameAndBusyCursor) {
    const plat::Hcursor before = plat::get_cursor();
    {
        shell::LoadProgressWindow progress(main, "/some/folder/big.traj",
                                           std::chrono::milliseconds(0));
        EXPECT_FALSE(progress.window());
        progress.callback()(50, 200);
        const plat::Hwnd w = progress.window();
        ASSERT_TRUE(w);
        EXPECT_EQ(plat::get_dlg_item_text(w, shell::IDC_PROGRESS_FILE), "big.traj");
        EXPECT_EQ(plat::get_dlg_item_text(w, shell::IDC_PROGRESS_PERCENT), "25 %");
        EXPECT_EQ(plat::headless::current_cursor_name(), "wait");
        progress.update(200, 200);
        EXPECT_EQ(plat::get_dlg_item_text(w, shell::IDC_PROGRESS_PERCENT), "100 %");
    }
    EXPECT_FALSE(plat::headless::find_dialog(shell::IDD_LOAD_PROGRESS));
    EXPECT_EQ(plat::get_cursor(), before);
}

TEST_F(LoadCommands, ShortLoadShowsNoProgress) {
    shell::LoadProgressWindow progress(main, "quick.traj", std::chrono::hours(1));
    progress.update(1, 2);
    EXPECT_FALSE(progress.window());
    EXPECT_FALSE(plat::headless::find_dialog(shell::IDD_LOAD_PROGRESS));
}

}  // namespace
