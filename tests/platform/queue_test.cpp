// The thread message queue, windows and their lifecycle, through the headless back end.
#include "tests/platform/test_support.h"

using namespace plat;
using platform_test::HeadlessTest;

using MessageQueue = HeadlessTest;

TEST_F(MessageQueue, PostedMessagesArriveInOrderAfterPendingPaint) {
    const Hwnd w = make_window();
    drain();  // the first paint
    seen.clear();
    post_message(w, WM_USER + 1, 10, 20);
    post_message(w, WM_USER + 2);
    invalidate(w, false);
    post_message(w, WM_USER + 3);
    std::vector<unsigned> got;
    Msg msg;
    while (peek_message(msg)) {
        got.push_back(msg.message);
        dispatch_message(msg);
    }
    // WM_PAINT waits until every posted message is gone.
    EXPECT_EQ(got, (std::vector<unsigned>{WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_PAINT}));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().wparam, 10u);
    EXPECT_EQ(seen.front().lparam, 20);
}

TEST_F(MessageQueue, SendRunsTheProcedureAtOnceAndReturnsItsResult) {
    const Hwnd w = make_window();
    drain();
    handler = [](Hwnd, unsigned m, WPARAM wp, LPARAM, bool& handled) -> LRESULT {
        handled = m == WM_USER;
        return static_cast<LRESULT>(wp * 2);
    };
    post_message(w, WM_USER + 5);
    EXPECT_EQ(send_message(w, WM_USER, 21), 42);
    // The send overtook the posted message.
    EXPECT_EQ(codes().back(), WM_USER);
    EXPECT_EQ(drain(), 1);
    EXPECT_EQ(codes().back(), WM_USER + 5u);
}

TEST_F(MessageQueue, PaintOnlyForVisibleInvalidWindows) {
    const Hwnd hidden = create_window("TestClass", "hidden", 100, 100);
    const Hwnd shown = make_window();
    EXPECT_EQ(drain(), 1);  // the shown one's first paint only
    Msg msg;
    EXPECT_FALSE(peek_message(msg));

    invalidate(hidden, true);
    EXPECT_FALSE(peek_message(msg));

    invalidate(shown, false);
    invalidate(shown, false);  // invalidations merge into one paint
    EXPECT_EQ(drain(), 1);
    EXPECT_EQ(headless::paint_count(shown), 2);
}

TEST_F(MessageQueue, PeekWithoutRemoveLeavesTheMessage) {
    const Hwnd w = make_window();
    drain();
    post_message(w, WM_USER);
    Msg msg;
    ASSERT_TRUE(peek_message(msg, false));
    ASSERT_TRUE(peek_message(msg, false));
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_EQ(drain(), 1);
}

TEST_F(MessageQueue, GetMessageReturnsFalseOnQuitWithItsCode) {
    const Hwnd w = make_window();
    drain();
    post_message(w, WM_USER);
    post_quit_message(7);
    Msg msg;
    EXPECT_TRUE(get_message(msg));
    EXPECT_FALSE(get_message(msg));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(static_cast<int>(msg.wparam), 7);
}

TEST_F(MessageQueue, BlockingGetWithNothingToDeliverEndsInsteadOfHanging) {
    Msg msg;
    EXPECT_FALSE(get_message(msg));
    EXPECT_EQ(static_cast<int>(static_cast<std::intptr_t>(msg.wparam)), -1);
}

TEST_F(MessageQueue, IdleHookFeedsABlockingGet) {
    const Hwnd w = make_window();
    drain();
    int calls = 0;
    headless::set_idle_hook([&] {
        if (++calls == 1) post_message(w, WM_USER);
    });
    Msg msg;
    ASSERT_TRUE(get_message(msg));
    EXPECT_EQ(msg.message, WM_USER);  // no stall
}

TEST_F(MessageQueue, PostedLogRecordsEveryPost) {
    const Hwnd w = make_window();
    headless::clear_logs();
    post_message(w, WM_COMMAND, 24);
    post_quit_message(0);
    ASSERT_EQ(headless::posted().size(), 2u);
    EXPECT_EQ(headless::posted()[0].hwnd, w);
    EXPECT_EQ(headless::posted()[0].wparam, 24u);
    EXPECT_EQ(headless::posted()[1].message, WM_QUIT);
}

TEST_F(MessageQueue, TranslateMessagePutsTheCharacterNext) {
    const Hwnd w = make_window();
    drain();
    post_message(w, WM_USER);
    headless::set_key_down(VK_SHIFT, true);
    const Msg key{w, WM_KEYDOWN, 'A', 1};
    EXPECT_TRUE(translate_message(key));
    Msg msg;
    ASSERT_TRUE(peek_message(msg));
    EXPECT_EQ(msg.message, WM_CHAR);
    EXPECT_EQ(msg.wparam, static_cast<WPARAM>('A'));
    EXPECT_TRUE(translate_message(Msg{w, WM_KEYDOWN, VK_ESCAPE, 1}));
    ASSERT_TRUE(peek_message(msg));
    EXPECT_EQ(msg.wparam, 27u);
    EXPECT_FALSE(translate_message(Msg{w, WM_KEYDOWN, VK_LEFT, 1}));
    EXPECT_FALSE(translate_message(Msg{w, WM_USER, 'A', 0}));
}

TEST_F(MessageQueue, ShiftStateFollowsTheMessagesTaken) {
    const Hwnd w = make_window();
    drain();
    headless::set_key_down(VK_SHIFT, true);
    headless::key_press(w, VK_RIGHT);
    headless::set_key_down(VK_SHIFT, false);
    headless::key_press(w, VK_RIGHT);
    EXPECT_FALSE(shift_down());
    Msg msg;
    ASSERT_TRUE(peek_message(msg));
    EXPECT_TRUE(shift_down());  // as it was when the first key was pressed
    ASSERT_TRUE(peek_message(msg));
    EXPECT_FALSE(shift_down());
}

using WindowLifecycle = HeadlessTest;

TEST_F(WindowLifecycle, CreateSendsCreateAndSizeWithTheClientSize) {
    headless::set_default_client_size(Size{944, 581});
    const Hwnd w = create_window("TestClass", "Plovane", 960, 640);
    ASSERT_TRUE(w);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, WM_CREATE);
    EXPECT_EQ(seen[1].message, WM_SIZE);
    EXPECT_EQ(get_x_lparam(seen[1].lparam), 944);
    EXPECT_EQ(get_y_lparam(seen[1].lparam), 581);
    EXPECT_EQ(get_client_size(w), (Size{944, 581}));
    EXPECT_FALSE(headless::is_visible(w));
    EXPECT_FALSE(create_window("NoSuchClass", "x", 10, 10));
}

TEST_F(WindowLifecycle, WindowDataIsThereAtCreateAndDialogsTakeTheirOwners) {
    int record = 0;
    void* at_create = nullptr;
    WindowClass cls;
    cls.name = "DataClass";
    cls.proc = [&](Hwnd h, unsigned m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_CREATE) at_create = get_window_data(h);
        return 0;
    };
    ASSERT_TRUE(register_class(cls));
    const Hwnd w = create_window("DataClass", "x", 100, 100, Hwnd{}, &record);
    EXPECT_EQ(at_create, &record);
    EXPECT_EQ(get_window_data(w), &record);
    void* in_dialog = nullptr;
    const Hwnd dlg = create_dialog(2000, w, [&](Hwnd d, unsigned m, WPARAM, LPARAM) {
        if (m == WM_INITDIALOG) in_dialog = get_window_data(d);
        return false;
    });
    ASSERT_TRUE(dlg);
    EXPECT_EQ(in_dialog, &record);
    set_window_data(w, nullptr);
    EXPECT_EQ(get_window_data(w), nullptr);
    destroy_window(w);
    EXPECT_EQ(get_window_data(w), nullptr);  // stale
}

TEST_F(WindowLifecycle, ResizeSendsSizeAndInvalidatesWithErase) {
    const Hwnd w = make_window(400, 300);
    drain();
    seen.clear();
    headless::resize_client(w, Size{800, 600});
    drain();
    ASSERT_EQ(codes(), (std::vector<unsigned>{WM_SIZE}));
    EXPECT_EQ(get_client_rect(w).right, 800);
    EXPECT_EQ(headless::window_ops(w).front().op, headless::Op::Erase);
}

TEST_F(WindowLifecycle, CloseBoxDestroysThroughDefaultProcessing) {
    const Hwnd w = make_window();
    drain();
    seen.clear();
    headless::click_close_box(w);
    drain();
    EXPECT_EQ(codes(), (std::vector<unsigned>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(is_window(w));
}

TEST_F(WindowLifecycle, DestroyDropsQueuedMessagesAndStaleHandlesAreHarmless) {
    const Hwnd w = make_window();
    const Hwnd other = make_window();
    drain();
    post_message(w, WM_USER);
    post_message(other, WM_USER + 1);
    EXPECT_TRUE(destroy_window(w));
    seen.clear();
    drain();
    EXPECT_EQ(codes(), (std::vector<unsigned>{WM_USER + 1}));

    EXPECT_FALSE(destroy_window(w));
    EXPECT_FALSE(post_message(w, WM_USER));
    EXPECT_EQ(send_message(w, WM_USER), 0);
    invalidate(w, true);
    PaintStruct ps;
    EXPECT_FALSE(begin_paint(w, ps));
    EXPECT_EQ(get_client_size(w), (Size{0, 0}));
    EXPECT_EQ(check_menu_item(get_menu(w), 51, true), -1);
    EXPECT_FALSE(set_dlg_item_text(w, 1, "x"));
}

TEST_F(WindowLifecycle, DestroyDestroysOwnedWindowsFirst) {
    const Hwnd owner = make_window();
    const Hwnd owned = create_window("TestClass", "owned", 100, 100, owner);
    const Hwnd dlg = create_dialog(2200, owner, nullptr);
    ASSERT_TRUE(owned);
    ASSERT_TRUE(dlg);
    seen.clear();
    destroy_window(owner);
    std::vector<Hwnd> destroyed;
    for (const auto& s : seen)
        if (s.message == WM_DESTROY) destroyed.push_back(s.hwnd);
    EXPECT_EQ(destroyed, (std::vector<Hwnd>{owned, owner}));
    EXPECT_FALSE(is_window(dlg));
    EXPECT_TRUE(headless::windows().empty());
}

TEST_F(WindowLifecycle, DestroyingItselfInsideItsProcedureIsSafe) {
    const Hwnd w = make_window();
    drain();
    handler = [](Hwnd h, unsigned m, WPARAM, LPARAM, bool& handled) -> LRESULT {
        if (m == WM_USER) {
            destroy_window(h);
            handled = true;
        }
        return 0;
    };
    post_message(w, WM_USER);
    post_message(w, WM_USER + 1);
    drain();
    EXPECT_FALSE(is_window(w));
    EXPECT_EQ(codes().back(), WM_DESTROY);
}

TEST_F(WindowLifecycle, UpdateWindowPaintsAtOnceOnlyWhenInvalid) {
    const Hwnd w = make_window();
    update_window(w);
    EXPECT_EQ(headless::paint_count(w), 1);
    update_window(w);
    EXPECT_EQ(headless::paint_count(w), 1);
}

using Accelerators = HeadlessTest;

TEST_F(Accelerators, CtrlLetterBecomesTheCommandWithExactModifiers) {
    plat::use_resources(&resources::vantrel());
    const Hwnd w = make_window();
    drain();
    const Haccel table = load_accelerators(101);
    ASSERT_TRUE(table);
    EXPECT_FALSE(load_accelerators(999));

    headless::set_key_down(VK_CONTROL, true);
    headless::key_press(w, 'D');
    headless::set_key_down(VK_SHIFT, true);
    headless::key_press(w, 'S');  // Ctrl+Shift+S is not in the table
    headless::set_key_down(VK_SHIFT, false);
    headless::set_key_down(VK_CONTROL, false);
    headless::key_press(w, 'E');  // no Ctrl

    std::vector<bool> translated;
    Msg msg;
    seen.clear();
    while (peek_message(msg)) translated.push_back(translate_accelerator(w, table, msg));
    EXPECT_EQ(translated, (std::vector<bool>{true, false, false}));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, WM_COMMAND);
    EXPECT_EQ(loword(seen[0].wparam), 60u);
    EXPECT_EQ(hiword(seen[0].wparam), CMD_ACCELERATOR);
}

TEST(PlatformStart, ChoosesTheBackEndByNameOrEnvironment) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(start_platform(StartOptions{"no-such-back-end", false, false}));
    EXPECT_NE(
        testing::internal::GetCapturedStderr().find("unknown back end 'no-such-back-end' (known: "),
        std::string::npos);
    EXPECT_FALSE(post_message(Hwnd{}, WM_USER));  // not started
    // The tests run with SCENE_PLATFORM=headless.
    ASSERT_TRUE(start_platform());
    EXPECT_TRUE(post_message(Hwnd{}, WM_USER));
    EXPECT_EQ(headless::posted().size(), 1u);  // the headless back end logs it
    stop_platform();
    stop_platform();
    EXPECT_FALSE(post_message(Hwnd{}, WM_USER));
    Msg msg;
    EXPECT_FALSE(get_message(msg));  // not started: no hang
}

TEST(MessagePacking, LparamCarriesSigned16BitCoordinates) {
    EXPECT_EQ(get_x_lparam(make_lparam(-5, 300)), -5);
    EXPECT_EQ(get_y_lparam(make_lparam(-5, 300)), 300);
    EXPECT_EQ(get_y_lparam(make_lparam(12, -32768)), -32768);
    EXPECT_EQ(loword(make_wparam(2210, 0)), 2210u);
    EXPECT_EQ(hiword(make_wparam(1, 1)), 1u);
}
