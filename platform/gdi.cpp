// Drawing objects and device contexts: the handle bookkeeping and selection rules
// shared by both back ends; the drawing itself is the back end's.
#include <algorithm>
#include <utility>

#include "data/atomic_file.h"
#include "platform/detail.h"

namespace plat {
namespace detail {

DcRec* find_dc(Dc dc) {
    if (!dc || !started()) return nullptr;
    State& st = state();
    if (dc.id == st.last_dc_id) return st.last_dc;
    auto it = st.dcs.find(dc.id);
    if (it == st.dcs.end()) return nullptr;
    st.last_dc_id = dc.id;
    return st.last_dc = &it->second;
}
PenRec* find_pen(Pen pen) {
    if (!pen || !started()) return nullptr;
    State& st = state();
    if (pen.id == st.last_pen_id) return st.last_pen;
    auto it = st.pens.find(pen.id);
    if (it == st.pens.end()) return nullptr;
    st.last_pen_id = pen.id;
    return st.last_pen = &it->second;
}
BrushRec* find_brush(Brush brush) {
    if (!brush || !started()) return nullptr;
    State& st = state();
    if (brush.id == st.last_brush_id) return st.last_brush;
    auto it = st.brushes.find(brush.id);
    if (it == st.brushes.end()) return nullptr;
    st.last_brush_id = brush.id;
    return st.last_brush = &it->second;
}
void forget_dc(std::uint32_t id) {
    State& st = state();
    if (st.last_dc_id == id) {
        st.last_dc_id = 0;
        st.last_dc = nullptr;
    }
    st.dcs.erase(id);
}
BitmapRec* find_bitmap(Bitmap bitmap) {
    if (!bitmap || !started()) return nullptr;
    auto it = state().bitmaps.find(bitmap.id);
    return it == state().bitmaps.end() ? nullptr : &it->second;
}

namespace {

Pen add_pen(PenInfo info, bool stock) {
    const Pen h{new_id()};
    state().pens.emplace(h.id, PenRec{info, stock, 0});
    return h;
}

Brush add_brush(BrushInfo info, bool stock) {
    const Brush h{new_id()};
    state().brushes.emplace(h.id, BrushRec{info, stock, 0});
    return h;
}

Bitmap add_bitmap(Size size, const Pixels* pixels, const std::string& name) {
    const Bitmap h{new_id()};
    BitmapRec& rec = state().bitmaps[h.id];
    rec.size = size;
    rec.resource = pixels != nullptr;
    rec.name = name;
    state().backend->bitmap_created(rec, pixels);
    return h;
}

void drop_bitmap(Bitmap h) {
    auto it = state().bitmaps.find(h.id);
    if (it == state().bitmaps.end()) return;
    state().backend->bitmap_deleted(it->second);
    state().bitmaps.erase(it);
}

// Fills a new DC with the default selection and hands it to the back end.
Dc open_dc(DcRec rec) {
    State& st = state();
    rec.id = new_id();
    rec.pen = st.stock_pens[static_cast<int>(StockPen::Black)];
    rec.brush = st.stock_brushes[static_cast<int>(StockBrush::White)];
    PenRec& p = st.pens.at(rec.pen.id);
    BrushRec& b = st.brushes.at(rec.brush.id);
    rec.pen_info = p.info;
    rec.brush_info = b.info;
    ++p.selected;
    ++b.selected;
    if (rec.bitmap)
        if (BitmapRec* bmp = find_bitmap(rec.bitmap)) ++bmp->selected;
    DcRec& stored = st.dcs.emplace(rec.id, rec).first->second;
    if (!st.backend->dc_opened(stored)) {
        --p.selected;
        --b.selected;
        if (BitmapRec* bmp = find_bitmap(rec.bitmap)) --bmp->selected;
        forget_dc(rec.id);
        return {};
    }
    return Dc{rec.id};
}

void close_dc(DcRec& dc) {
    State& st = state();
    st.backend->dc_closed(dc);
    if (PenRec* p = find_pen(dc.pen)) --p->selected;
    if (BrushRec* b = find_brush(dc.brush)) --b->selected;
    if (BitmapRec* bmp = find_bitmap(dc.bitmap)) --bmp->selected;
    const Bitmap own = dc.kind == DcKind::Canvas ? dc.bitmap : dc.stock_bitmap;
    forget_dc(dc.id);
    if (own) drop_bitmap(own);
}

}  // namespace

void gdi_start() {
    State& st = state();
    st.stock_pens[static_cast<int>(StockPen::White)] =
        add_pen(PenInfo{PenStyle::Solid, 1, rgb(255, 255, 255)}, true);
    st.stock_pens[static_cast<int>(StockPen::Black)] =
        add_pen(PenInfo{PenStyle::Solid, 1, rgb(0, 0, 0)}, true);
    st.stock_pens[static_cast<int>(StockPen::Null)] =
        add_pen(PenInfo{PenStyle::Null, 1, rgb(0, 0, 0)}, true);
    const Color brush_colours[] = {rgb(255, 255, 255), rgb(192, 192, 192), rgb(128, 128, 128),
                                   rgb(64, 64, 64), rgb(0, 0, 0)};
    for (int i = 0; i < 5; ++i)
        st.stock_brushes[i] = add_brush(BrushInfo{false, brush_colours[i]}, true);
    st.stock_brushes[static_cast<int>(StockBrush::Null)] = add_brush(BrushInfo{true, {}}, true);
    for (int i = 0; i < 2; ++i) {
        const Hcursor h{new_id()};
        st.backend->load_cursor(h, nullptr, static_cast<StdCursor>(i));
        st.std_cursors[i] = h;
    }
    st.cursor = st.std_cursors[0];
}

void gdi_stop() {
    State& st = state();
    std::vector<std::uint32_t> dcs;
    for (auto& [id, dc] : st.dcs) dcs.push_back(id);
    for (std::uint32_t id : dcs)
        if (DcRec* dc = find_dc(Dc{id})) close_dc(*dc);
    for (auto& [id, bmp] : st.bitmaps) st.backend->bitmap_deleted(bmp);
    st.bitmaps.clear();
}

bool write_png_file(bool encoded, const std::string& png, const std::string& path,
                    std::string* error) {
    std::string why;
    const bool ok = encoded ? write_bytes_atomically(path, png, &why) : false;
    if (!encoded) why = "cannot encode the picture";
    if (!ok && error) *error = path + ": " + why;
    return ok;
}

}  // namespace detail

using namespace detail;

// ---- Objects -------------------------------------------------------------------------

Pen create_pen(PenStyle style, int width, Color color) {
    if (!started()) return {};
    return add_pen(PenInfo{style, std::max(width, 0), color}, false);
}

Brush create_solid_brush(Color color) {
    if (!started()) return {};
    return add_brush(BrushInfo{false, color}, false);
}

Pen stock_pen(StockPen which) {
    return started() ? state().stock_pens[static_cast<int>(which)] : Pen{};
}

Brush stock_brush(StockBrush which) {
    return started() ? state().stock_brushes[static_cast<int>(which)] : Brush{};
}

bool delete_object(Pen pen) {
    PenRec* p = find_pen(pen);
    if (!p || p->stock || p->selected > 0) return false;
    State& st = state();
    if (st.last_pen_id == pen.id) {
        st.last_pen_id = 0;
        st.last_pen = nullptr;
    }
    st.pens.erase(pen.id);
    return true;
}

bool delete_object(Brush brush) {
    BrushRec* b = find_brush(brush);
    if (!b || b->stock || b->selected > 0) return false;
    State& st = state();
    if (st.last_brush_id == brush.id) {
        st.last_brush_id = 0;
        st.last_brush = nullptr;
    }
    st.brushes.erase(brush.id);
    return true;
}

bool delete_object(Bitmap bitmap) {
    BitmapRec* b = find_bitmap(bitmap);
    if (!b || b->selected > 0) return false;
    if (b->resource) state().named_bitmaps.erase(b->name);
    drop_bitmap(bitmap);
    return true;
}

Pen select_object(Dc dc, Pen pen) {
    DcRec* d = find_dc(dc);
    PenRec* p = find_pen(pen);
    if (!d || !p) return {};
    const Pen previous = d->pen;
    if (previous == pen) return previous;
    if (PenRec* old = find_pen(previous)) --old->selected;
    ++p->selected;
    d->pen = pen;
    d->pen_info = p->info;
    return previous;
}

Brush select_object(Dc dc, Brush brush) {
    DcRec* d = find_dc(dc);
    BrushRec* b = find_brush(brush);
    if (!d || !b) return {};
    const Brush previous = d->brush;
    if (previous == brush) return previous;
    if (BrushRec* old = find_brush(previous)) --old->selected;
    ++b->selected;
    d->brush = brush;
    d->brush_info = b->info;
    return previous;
}

Bitmap select_object(Dc dc, Bitmap bitmap) {
    DcRec* d = find_dc(dc);
    BitmapRec* b = find_bitmap(bitmap);
    // Only memory DCs take bitmaps, and a bitmap sits in one DC at a time.
    if (!d || !b || d->kind != DcKind::Memory) return {};
    const Bitmap previous = d->bitmap;
    if (previous == bitmap) return previous;
    if (b->selected > 0) return {};
    if (BitmapRec* old = find_bitmap(previous)) --old->selected;
    ++b->selected;
    d->bitmap = bitmap;
    state().backend->dc_retarget(*d);
    return previous;
}

// ---- Drawing -------------------------------------------------------------------------

void polygon(Dc dc, const Point* points, int count) {
    DcRec* d = find_dc(dc);
    if (!d || !points || count < 2) return;
    state().backend->polygon(*d, points, count);
}

void ellipse(Dc dc, int left, int top, int right, int bottom) {
    if (DcRec* d = find_dc(dc)) state().backend->ellipse(*d, Rect{left, top, right, bottom});
}

void fill_rect(Dc dc, const Rect& rect, Brush brush) {
    DcRec* d = find_dc(dc);
    BrushRec* b = find_brush(brush);
    if (d && b) state().backend->fill_rect(*d, rect, brush, *b);
}

Point move_to(Dc dc, int x, int y) {
    DcRec* d = find_dc(dc);
    if (!d) return {};
    const Point previous = d->pos;
    d->pos = Point{x, y};
    state().backend->move(*d, d->pos);
    return previous;
}

void line_to(Dc dc, int x, int y) {
    DcRec* d = find_dc(dc);
    if (!d) return;
    state().backend->line(*d, d->pos, Point{x, y});
    d->pos = Point{x, y};
}

void text_out(Dc dc, int x, int y, std::string_view text) {
    if (DcRec* d = find_dc(dc)) state().backend->text(*d, Point{x, y}, text);
}

Color set_text_color(Dc dc, Color color) {
    DcRec* d = find_dc(dc);
    if (!d) return {};
    return std::exchange(d->text_color, color);
}

BkMode set_bk_mode(Dc dc, BkMode mode) {
    DcRec* d = find_dc(dc);
    if (!d) return BkMode::Opaque;
    return std::exchange(d->bk_mode, mode);
}

// ---- Off-screen contexts -------------------------------------------------------------

Dc create_compatible_dc(Dc) {
    if (!started()) return {};
    DcRec rec;
    rec.kind = DcKind::Memory;
    rec.stock_bitmap = add_bitmap(Size{1, 1}, nullptr, {});
    rec.bitmap = rec.stock_bitmap;
    const Dc dc = open_dc(rec);
    if (!dc) drop_bitmap(rec.stock_bitmap);
    return dc;
}

Bitmap create_compatible_bitmap(Dc, int width, int height) {
    if (!started() || width <= 0 || height <= 0) return {};
    return add_bitmap(Size{width, height}, nullptr, {});
}

bool bit_blt(Dc dst, int x, int y, int width, int height, Dc src, int sx, int sy) {
    DcRec* d = find_dc(dst);
    DcRec* s = find_dc(src);
    if (!d || !s || width <= 0 || height <= 0) return false;
    state().backend->blt(*d, Point{x, y}, Size{width, height}, *s, Point{sx, sy});
    return true;
}

bool delete_dc(Dc dc) {
    DcRec* d = find_dc(dc);
    if (!d || d->kind == DcKind::Window) return false;
    close_dc(*d);
    return true;
}

Dc create_canvas(int width, int height) {
    if (!started() || width <= 0 || height <= 0) return {};
    DcRec rec;
    rec.kind = DcKind::Canvas;
    rec.bitmap = add_bitmap(Size{width, height}, nullptr, {});
    const Dc dc = open_dc(rec);
    if (!dc) drop_bitmap(rec.bitmap);
    return dc;
}

bool save_canvas_png(Dc canvas, const std::string& path, std::string* error) {
    DcRec* d = find_dc(canvas);
    std::string png;
    const bool encoded = d && d->kind == DcKind::Canvas && state().backend->encode_png(*d, png);
    return write_png_file(encoded, png, path, error);
}

bool canvas_pixels(Dc canvas, std::vector<std::uint32_t>& pixels) {
    DcRec* d = find_dc(canvas);
    return d && d->kind == DcKind::Canvas && state().backend->read_pixels(*d, pixels);
}

Bitmap load_bitmap(std::string_view name) {
    if (!started() || !current_resources()) return {};
    State& st = state();
    const std::string key(name);
    auto it = st.named_bitmaps.find(key);
    if (it != st.named_bitmaps.end() && find_bitmap(Bitmap{it->second})) return Bitmap{it->second};
    const ImageTemplate* image = current_resources()->find_bitmap(key);
    if (!image) return {};
    const Pixels pixels = decode_image(*image);
    const Bitmap h = add_bitmap(Size{pixels.width, pixels.height}, &pixels, key);
    st.named_bitmaps[key] = h.id;
    return h;
}

// ---- Window painting -----------------------------------------------------------------

namespace {
Dc open_window_dc(Window& w) {
    DcRec rec;
    rec.kind = DcKind::Window;
    rec.window = Hwnd{w.id};
    const Dc dc = open_dc(rec);
    if (dc) ++w.dcs_open;
    return dc;
}
void close_window_dc(Window& w, Dc dc) {
    DcRec* d = find_dc(dc);
    if (!d || d->kind != DcKind::Window || d->window != Hwnd{w.id}) return;
    close_dc(*d);
    --w.dcs_open;
    state().backend->painted(w);
}
}  // namespace

Dc begin_paint(Hwnd hwnd, PaintStruct& ps) {
    ps = PaintStruct{};
    Window* w = find_window_kind(hwnd, WinKind::Top);
    if (!w) return {};
    w->invalid = false;
    const bool erase = std::exchange(w->erase, false);
    state().backend->paint_begun(*w);
    const Dc dc = open_window_dc(*w);
    if (!dc) return {};
    if (erase) {
        const Brush bg = state().stock_brushes[static_cast<int>(w->background)];
        state().backend->erase(*find_dc(dc), state().brushes.at(bg.id), w->client);
    }
    ps.dc = dc;
    ps.erase = erase;
    ps.paint = Rect{0, 0, w->client.width, w->client.height};
    return dc;
}

void end_paint(Hwnd hwnd, const PaintStruct& ps) {
    if (Window* w = find_window_kind(hwnd, WinKind::Top)) close_window_dc(*w, ps.dc);
}

}  // namespace plat
