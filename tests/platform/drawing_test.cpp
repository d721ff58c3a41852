// Device contexts and the recording the headless back end keeps of them.
#include "tests/platform/test_support.h"
#include "tests/support/temp_folder.h"

using namespace plat;
using headless::Op;
using platform_test::HeadlessTest;

using RecordingDc = HeadlessTest;

TEST_F(RecordingDc, EachCallIsRecordedWithTheSelectionItWasMadeIn) {
    const Dc dc = create_canvas(200, 100);
    ASSERT_TRUE(dc);
    const Pen grid = create_pen(PenStyle::Dot, 1, rgb(0, 0, 255));
    const Brush fill = create_solid_brush(rgb(255, 255, 0));
    const Pen old_pen = select_object(dc, grid);
    EXPECT_EQ(old_pen, stock_pen(StockPen::Black));  // a fresh DC's pen
    EXPECT_EQ(select_object(dc, fill), stock_brush(StockBrush::White));
    move_to(dc, 1, 2);
    line_to(dc, 30, 2);
    const Point tri[] = {{0, 0}, {10, 0}, {5, 8}};
    polygon(dc, tri, 3);
    select_object(dc, stock_brush(StockBrush::Null));
    ellipse(dc, 6, 6, 14, 14);
    set_bk_mode(dc, BkMode::Transparent);
    EXPECT_EQ(set_text_color(dc, rgb(128, 128, 128)), rgb(0, 0, 0));
    text_out(dc, 85, 40, "200(m)");

    const auto& ops = headless::canvas_ops(dc);
    ASSERT_EQ(ops.size(), 5u);
    EXPECT_EQ(ops[0].op, Op::MoveTo);
    EXPECT_EQ(ops[1].op, Op::LineTo);
    EXPECT_EQ(ops[1].points, (std::vector<Point>{{1, 2}, {30, 2}}));
    EXPECT_EQ(ops[1].pen, grid);
    EXPECT_EQ(ops[1].pen_info, (headless::PenInfo{PenStyle::Dot, 1, rgb(0, 0, 255)}));
    EXPECT_EQ(ops[2].op, Op::Polygon);
    EXPECT_EQ(ops[2].points.size(), 3u);
    EXPECT_EQ(ops[2].brush, fill);
    EXPECT_EQ(ops[2].brush_info.color, rgb(255, 255, 0));
    EXPECT_EQ(ops[3].op, Op::Ellipse);
    EXPECT_TRUE(ops[3].brush_info.null);
    EXPECT_EQ(ops[3].points[1], (Point{14, 14}));
    EXPECT_EQ(ops[4].op, Op::Text);
    EXPECT_EQ(ops[4].text, "200(m)");
    EXPECT_EQ(ops[4].text_color, rgb(128, 128, 128));
    EXPECT_EQ(ops[4].bk_mode, BkMode::Transparent);
    EXPECT_EQ(ops[4].points[0], (Point{85, 40}));
    EXPECT_TRUE(delete_dc(dc));
}

TEST_F(RecordingDc, SelectedAndStockObjectsCannotBeDeleted) {
    const Dc dc = create_canvas(10, 10);
    const Pen pen = create_pen(PenStyle::Solid, 2, rgb(1, 2, 3));
    select_object(dc, pen);
    EXPECT_FALSE(delete_object(pen));
    EXPECT_FALSE(delete_object(stock_pen(StockPen::Null)));
    EXPECT_FALSE(delete_object(stock_brush(StockBrush::Black)));
    select_object(dc, stock_pen(StockPen::Black));
    EXPECT_TRUE(delete_object(pen));
    EXPECT_FALSE(delete_object(pen));
    // Selecting a deleted pen changes nothing.
    EXPECT_FALSE(select_object(dc, pen));
    line_to(dc, 5, 5);
    EXPECT_EQ(headless::canvas_ops(dc).back().pen, stock_pen(StockPen::Black));
}

TEST_F(RecordingDc, PolygonsOfFewerThanTwoPointsDrawNothing) {
    const Dc dc = create_canvas(10, 10);
    const Point one[] = {{1, 1}};
    polygon(dc, one, 1);
    polygon(dc, nullptr, 3);
    EXPECT_TRUE(headless::canvas_ops(dc).empty());
}

TEST_F(RecordingDc, OffScreenPaintShowsInTheWindowMovedByTheCopy) {
    const Hwnd w = make_window(300, 200);
    drain();
    handler = [](Hwnd h, unsigned m, WPARAM, LPARAM, bool& handled) -> LRESULT {
        if (m != WM_PAINT) return 0;
        handled = true;
        PaintStruct ps;
        const Dc dc = begin_paint(h, ps);
        const Dc mem = create_compatible_dc(dc);
        const Bitmap bmp = create_compatible_bitmap(dc, 300, 200);
        const Bitmap old = select_object(mem, bmp);
        EXPECT_TRUE(old);
        fill_rect(mem, Rect{0, 0, 300, 200}, stock_brush(StockBrush::Black));
        move_to(mem, 0, 0);
        line_to(mem, 10, 10);
        bit_blt(dc, 5, 7, 300, 200, mem, 0, 0);
        EXPECT_FALSE(delete_object(bmp));  // still selected
        select_object(mem, old);
        EXPECT_TRUE(delete_object(bmp));
        delete_dc(mem);
        end_paint(h, ps);
        return 0;
    };
    invalidate(w, false);
    drain();
    const auto& ops = headless::window_ops(w);
    ASSERT_EQ(ops.size(), 4u);  // no erase: the invalidate asked for none
    EXPECT_EQ(ops[0].op, Op::BitBlt);
    EXPECT_EQ(ops[1].op, Op::FillRect);
    EXPECT_EQ(ops[1].points[0], (Point{5, 7}));
    EXPECT_EQ(ops[3].op, Op::LineTo);
    EXPECT_EQ(ops[3].points, (std::vector<Point>{{5, 7}, {15, 17}}));
}

TEST_F(RecordingDc, ErasingInvalidateFillsWithTheClassBackgroundFirst) {
    const Hwnd w = make_window(300, 200);
    drain();
    invalidate(w, true);
    headless::clear_logs();
    drain();
    const auto& ops = headless::window_ops(w);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].op, Op::Erase);
    EXPECT_EQ(ops[0].brush_info.color, rgb(0, 0, 0));
    EXPECT_EQ(ops[0].points[1], (Point{300, 200}));
    ASSERT_EQ(headless::draw_log().size(), 1u);

    invalidate(w, false);
    EXPECT_EQ(headless::invalidations().size(), 1u);
    EXPECT_FALSE(headless::invalidations()[0].erase);
}

TEST_F(RecordingDc, ABitmapSitsInOneDcAtATime) {
    const Dc a = create_compatible_dc(Dc{});
    const Dc b = create_compatible_dc(Dc{});
    const Bitmap bmp = create_compatible_bitmap(a, 4, 4);
    EXPECT_TRUE(select_object(a, bmp));
    EXPECT_FALSE(select_object(b, bmp));
    EXPECT_FALSE(create_compatible_bitmap(a, 0, 4));
    EXPECT_FALSE(select_object(create_canvas(4, 4), bmp));  // canvases own their bitmap
    EXPECT_TRUE(delete_dc(a));
    EXPECT_TRUE(select_object(b, bmp));
}

TEST_F(RecordingDc, StaleDcIsHarmless) {
    const Dc dc = create_canvas(10, 10);
    ASSERT_TRUE(delete_dc(dc));
    EXPECT_FALSE(delete_dc(dc));
    line_to(dc, 1, 1);
    text_out(dc, 0, 0, "x");
    EXPECT_FALSE(select_object(dc, stock_pen(StockPen::White)));
    EXPECT_FALSE(save_canvas_png(dc, "/tmp/never.png"));
    EXPECT_TRUE(headless::draw_log().empty());
}

TEST_F(RecordingDc, WithoutTheQtLibraryCanvasesCannotBeSaved) {
    const Dc dc = create_canvas(10, 10);
    test_support::TempFolder dir;
    EXPECT_FALSE(save_canvas_png(dc, dir.file("canvas.png")));
}
