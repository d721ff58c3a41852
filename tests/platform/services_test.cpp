// Menus, file dialogs, message boxes, cursors and the virtual clock of the headless back end.
#include "resources/resource_ids.h"
#include "tests/platform/test_support.h"

using namespace plat;
using platform_test::HeadlessTest;

using Menus = HeadlessTest;

TEST_F(Menus, CheckMarksAreSetOnlyByCheckMenuItem) {
    const Hwnd w = make_window();
    const Hmenu menu = get_menu(w);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu_item_checked(menu, 51), 0);  // no mark in the resource
    EXPECT_EQ(check_menu_item(menu, 51, true), 0);
    EXPECT_EQ(check_menu_item(menu, 51, true), 1);
    EXPECT_EQ(menu_item_checked(menu, 51), 1);
    EXPECT_EQ(check_menu_item(menu, 51, false), 1);
    EXPECT_EQ(menu_item_checked(menu, 51), 0);
    // Clicking an item posts its command and leaves the mark alone.
    drain();
    seen.clear();
    EXPECT_TRUE(headless::click_menu(w, 52));
    drain();
    ASSERT_EQ(codes(), (std::vector<unsigned>{WM_COMMAND}));
    EXPECT_EQ(loword(seen.back().wparam), 52u);
    EXPECT_EQ(menu_item_checked(menu, 52), 0);
}

TEST_F(Menus, ItemsAbsentFromTheMenuChangeNothing) {
    const Hwnd w = make_window();
    EXPECT_EQ(check_menu_item(get_menu(w), 61, true), -1);
    EXPECT_EQ(menu_item_checked(get_menu(w), 61), -1);
    EXPECT_FALSE(headless::click_menu(w, 61));
}

TEST_F(Menus, WindowOfAClassWithoutMenuHasNone) {
    WindowClass cls;
    cls.name = "Bare";
    cls.proc = def_window_proc;
    ASSERT_TRUE(register_class(cls));
    EXPECT_FALSE(register_class(cls));  // names are unique
    const Hwnd w = create_window("Bare", "bare", 10, 10);
    EXPECT_FALSE(get_menu(w));
    EXPECT_EQ(check_menu_item(get_menu(w), 51, true), -1);
}

using FileDialogs = HeadlessTest;

TEST_F(FileDialogs, AnswersAreTakenInOrderAndRunOutAsCancel) {
    const Hwnd w = make_window();
    headless::queue_file_answer(std::string("/data/run.nav"));
    headless::queue_file_answer(std::nullopt);
    FileDialogOptions o;
    o.title = "Load Vehile Pose";
    o.filters = {{"Vehile Pose(*.nav)", "*.nav"}, {"Vehile Pose(*.pos)", "*.pos"}};
    EXPECT_EQ(open_file_dialog(w, o), std::optional<std::string>("/data/run.nav"));
    EXPECT_EQ(open_file_dialog(w, o), std::nullopt);
    EXPECT_EQ(save_file_dialog(w, o), std::nullopt);

    const auto& log = headless::file_dialogs();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].options.title, "Load Vehile Pose");
    EXPECT_EQ(log[0].options.filters[1].pattern, "*.pos");
    EXPECT_FALSE(log[1].save);
    EXPECT_TRUE(log[2].save);
    EXPECT_FALSE(log[2].answer);
}

using MessageBoxes = HeadlessTest;

TEST_F(MessageBoxes, AreRecordedWithCaptionTextAndOwner) {
    EXPECT_EQ(message_box(Hwnd{}, "Invalid TRAJ file.", "Error"), IDOK);
    ASSERT_EQ(headless::message_boxes().size(), 1u);
    EXPECT_EQ(headless::message_boxes()[0].caption, "Error");
    EXPECT_EQ(headless::message_boxes()[0].text, "Invalid TRAJ file.");
    EXPECT_FALSE(headless::message_boxes()[0].owner);
}

TEST_F(MessageBoxes, QuestionsTakeQueuedAnswersAndOtherwiseCancel) {
    const auto ask = [] {
        return message_box(Hwnd{}, "Save changes?", "Vantrel", MessageButtons::SaveDiscardCancel);
    };
    headless::queue_message_box_answer(IDYES);
    headless::queue_message_box_answer(IDNO);
    EXPECT_EQ(message_box(Hwnd{}, "Plain.", "Note"), IDOK);  // takes no answer
    EXPECT_EQ(ask(), IDYES);
    EXPECT_EQ(ask(), IDNO);
    EXPECT_EQ(ask(), IDCANCEL);
    ASSERT_EQ(headless::message_boxes().size(), 4u);
    EXPECT_EQ(headless::message_boxes()[1].buttons, MessageButtons::SaveDiscardCancel);
    EXPECT_EQ(headless::message_boxes()[2].answer, IDNO);
}

TEST_F(MessageBoxes, CommandLineUsePrintsThemToStandardError) {
    stop_platform();
    StartOptions command_line;
    command_line.command_line = true;
    ASSERT_TRUE(start_platform(command_line));
    testing::internal::CaptureStderr();
    message_box(Hwnd{}, "Open TRAJ file failure.", "Error");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Open TRAJ file failure.\n");
}

using VirtualClock = HeadlessTest;

TEST_F(VirtualClock, SleepAdvancesTheClockAndCallsTheHook) {
    std::vector<unsigned> slept;
    headless::set_sleep_hook([&](unsigned ms) { slept.push_back(ms); });
    const auto start = tick_ms();
    sleep_ms(10);
    sleep_ms(100);
    EXPECT_EQ(tick_ms() - start, 110u);
    EXPECT_EQ(slept, (std::vector<unsigned>{10, 100}));
}

TEST_F(VirtualClock, HookActsBetweenTicksOfAPollingLoop) {
    // A playback-like loop: drain the queue, tick, sleep; Stop arrives from the hook.
    const Hwnd w = make_window();
    int ticks = 0;
    bool playing = true;
    headless::set_sleep_hook([&](unsigned) {
        if (ticks == 3) post_message(w, WM_COMMAND, 230);
    });
    while (playing) {
        Msg msg;
        while (peek_message(msg)) {
            if (msg.message == WM_COMMAND && loword(msg.wparam) == 230) {
                playing = false;
                break;
            }
            dispatch_message(msg);
        }
        if (!playing) break;
        ++ticks;
        invalidate(w, false);
        sleep_ms(10);
    }
    EXPECT_EQ(ticks, 3);
    // The first paint, then one for each tick whose repaint came before Stop.
    EXPECT_EQ(headless::paint_count(w), 3);
}

using Cursors = HeadlessTest;

TEST_F(Cursors, NamedCursorsComeFromTheResourcesAndButtonUpRestoresTheArrow) {
    const Hwnd w = make_window();
    const Hcursor hand = load_cursor("HAND_CUR");
    ASSERT_TRUE(hand);
    EXPECT_EQ(load_cursor("HAND_CUR"), hand);
    EXPECT_TRUE(load_cursor("EW_CUR"));
    EXPECT_TRUE(load_cursor("MAG_CUR"));
    EXPECT_FALSE(load_cursor("NO_CUR"));
    EXPECT_EQ(headless::current_cursor_name(), "arrow");

    handler = [hand](Hwnd, unsigned m, WPARAM, LPARAM, bool& handled) -> LRESULT {
        if (m == WM_RBUTTONDOWN) {
            set_cursor(hand);
            handled = true;
        }
        return 0;
    };
    headless::mouse_down(w, headless::Button::Right, 10, 10);
    drain();
    EXPECT_EQ(headless::current_cursor_name(), "HAND_CUR");
    headless::mouse_move(w, 400, 10);
    drain();
    EXPECT_EQ(headless::current_cursor_name(), "HAND_CUR");
    headless::mouse_up(w, headless::Button::Right, 400, 10);
    drain();
    EXPECT_EQ(headless::current_cursor_name(), "arrow");
    EXPECT_EQ(set_cursor(load_cursor(StdCursor::Wait)), load_cursor(StdCursor::Arrow));
    EXPECT_EQ(headless::current_cursor_name(), "wait");
}

TEST_F(Cursors, MouseMessagesCarryButtonsAndSignedPositions) {
    const Hwnd w = make_window();
    drain();
    seen.clear();
    headless::mouse_down(w, headless::Button::Middle, 3, 4);
    headless::mouse_move(w, -20, 700);
    headless::mouse_up(w, headless::Button::Middle, -20, 700);
    drain();
    ASSERT_EQ(codes(), (std::vector<unsigned>{WM_MBUTTONDOWN, WM_MOUSEMOVE, WM_MBUTTONUP}));
    EXPECT_EQ(seen[0].wparam, MK_MBUTTON);
    EXPECT_EQ(seen[1].wparam, MK_MBUTTON);
    EXPECT_EQ(get_x_lparam(seen[1].lparam), -20);
    EXPECT_EQ(get_y_lparam(seen[1].lparam), 700);
    EXPECT_EQ(seen[2].wparam, 0u);
}
