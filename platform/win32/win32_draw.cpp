// Drawing on the Win32 back end: our device-context calls are GDI's own, so each
// one selects the pen, brush and text state it was made with and calls GDI.
#include <algorithm>

#include "platform/win32/win32_gdi.h"

namespace plat::detail::win32 {

static_assert(sizeof(POINT) == sizeof(Point) && sizeof(LONG) == sizeof(int),
              "our points are GDI's points");

std::wstring wide(std::string_view s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string utf8(const wchar_t* text, int length) {
    if (!text) return {};
    if (length < 0) length = static_cast<int>(wcslen(text));
    if (length == 0) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, s.data(), n, nullptr, nullptr);
    return s;
}

COLORREF colorref(Color c) {
    return RGB(c.r, c.g, c.b);
}

// ---- Shared objects ------------------------------------------------------------------

GdiObjects::~GdiObjects() {
    clear();
}

HPEN GdiObjects::pen(const PenInfo& info) {
    if (info.style == PenStyle::Null) return static_cast<HPEN>(GetStockObject(NULL_PEN));
    const std::uint64_t key = (static_cast<std::uint64_t>(info.style) << 56) |
                              (static_cast<std::uint64_t>(info.width & 0xFFFFFF) << 32) |
                              colorref(info.color);
    RecentPen& slot = recent_[(key ^ (key >> 29) ^ (key >> 47)) & 63];
    if (slot.pen && slot.key == key) return slot.pen;
    auto it = pens_.find(key);
    if (it != pens_.end()) {
        slot = RecentPen{key, it->second};
        return it->second;
    }
    // Styled pens are cosmetic, one pixel wide; GDI draws wider ones solid, as our
    // pens promise.
    const int style = info.style == PenStyle::Dot    ? PS_DOT
                      : info.style == PenStyle::Dash ? PS_DASH
                                                     : PS_SOLID;
    HPEN pen = CreatePen(style, info.width, colorref(info.color));
    pens_.emplace(key, pen);
    slot = RecentPen{key, pen};
    return pen;
}

HBRUSH GdiObjects::brush(const BrushInfo& info) {
    if (info.null) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    const std::uint32_t key = colorref(info.color);
    auto it = brushes_.find(key);
    if (it != brushes_.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(key);
    brushes_.emplace(key, brush);
    return brush;
}

HFONT GdiObjects::font() {
    // 13 pixels high, the size the other back ends draw text at.
    if (!font_)
        font_ = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, L"Tahoma");
    return font_;
}

HDC GdiObjects::screen() {
    if (!screen_) screen_ = GetDC(nullptr);
    return screen_;
}

void GdiObjects::clear() {
    if (screen_) ReleaseDC(nullptr, screen_);
    screen_ = nullptr;
    for (auto& [key, pen] : pens_) DeleteObject(pen);
    for (auto& [key, brush] : brushes_) DeleteObject(brush);
    pens_.clear();
    brushes_.clear();
    for (RecentPen& r : recent_) r = RecentPen{};
    if (font_) DeleteObject(font_);
    font_ = nullptr;
}

GdiObjects& gdi_objects() {
    static GdiObjects objects;
    return objects;
}

// ---- Bitmaps -------------------------------------------------------------------------

DibBitmap make_dib(int width, int height, const Pixels* pixels, COLORREF matte) {
    DibBitmap dib;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = std::max(width, 1);
    info.bmiHeader.biHeight = -std::max(height, 1);  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dib.handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib.handle) return dib;
    dib.bits = static_cast<std::uint32_t*>(bits);  // zeroed: black
    dib.width = std::max(width, 1);
    dib.height = std::max(height, 1);
    if (pixels) {
        // Images with transparent parts (button faces) are laid over the matte.
        const std::uint32_t mr = GetRValue(matte), mg = GetGValue(matte), mb = GetBValue(matte);
        const std::size_t n =
            std::min(pixels->argb.size(), static_cast<std::size_t>(width) * height);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t p = pixels->argb[i];
            const std::uint32_t a = p >> 24;
            const std::uint32_t r = ((p >> 16 & 0xFF) * a + mr * (255 - a)) / 255;
            const std::uint32_t g = ((p >> 8 & 0xFF) * a + mg * (255 - a)) / 255;
            const std::uint32_t b = ((p & 0xFF) * a + mb * (255 - a)) / 255;
            dib.bits[i] = r << 16 | g << 8 | b;
        }
    }
    return dib;
}

DibBitmap make_compatible(int width, int height) {
    HDC screen = gdi_objects().screen();
    DibBitmap b;
    b.handle =
        screen ? CreateCompatibleBitmap(screen, std::max(width, 1), std::max(height, 1)) : nullptr;
    if (!b.handle) return make_dib(width, height);
    b.width = std::max(width, 1);
    b.height = std::max(height, 1);
    // Our bitmaps start black; the system promises nothing about a new one. The
    // first DC it goes into fills it: selecting a bitmap into a DC just for that
    // would cost as much again (under Wine, each selection asks the server).
    b.fill_black = true;
    return b;
}

bool encode_dc_png(HDC source, int width, int height, std::string& png) {
    return with_dc_pixels(source, width, height, [&png](const std::uint32_t* xrgb, int w, int h) {
        return encode_png(xrgb, w, h, png);
    });
}

bool with_dc_pixels(HDC source, int width, int height, const PixelSink& sink) {
    if (width <= 0 || height <= 0) return false;
    DibBitmap dib = make_dib(width, height);
    HDC mem = dib.handle ? CreateCompatibleDC(source) : nullptr;
    if (!mem) {
        free_dib(dib);
        return false;
    }
    HGDIOBJ old = SelectObject(mem, dib.handle);
    BitBlt(mem, 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    const bool ok = sink(dib.bits, width, height);
    SelectObject(mem, old);
    DeleteDC(mem);
    free_dib(dib);
    return ok;
}

void free_dib(DibBitmap& dib) {
    if (dib.handle) DeleteObject(dib.handle);
    dib = DibBitmap{};
}

// ---- Device contexts -----------------------------------------------------------------

GdiDc::GdiDc(HDC hdc) : hdc_(hdc) {
    old_pen_ = GetCurrentObject(hdc, OBJ_PEN);
    old_brush_ = GetCurrentObject(hdc, OBJ_BRUSH);
    old_font_ = SelectObject(hdc, gdi_objects().font());
    SetPolyFillMode(hdc, ALTERNATE);
    SetTextAlign(hdc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

void GdiDc::restore() {
    SelectObject(hdc_, old_pen_);
    SelectObject(hdc_, old_brush_);
    SelectObject(hdc_, old_font_);
    if (old_bitmap_) SelectObject(hdc_, old_bitmap_);
    old_bitmap_ = nullptr;
    pen_valid_ = brush_valid_ = text_valid_ = false;
}

void GdiDc::select_bitmap(DibBitmap* bitmap) {
    if (!bitmap) {
        if (old_bitmap_) SelectObject(hdc_, old_bitmap_);
        old_bitmap_ = nullptr;
        return;
    }
    HGDIOBJ previous = SelectObject(hdc_, bitmap->handle);
    if (!old_bitmap_) old_bitmap_ = previous;
    if (bitmap->fill_black) {
        PatBlt(hdc_, 0, 0, bitmap->width, bitmap->height, BLACKNESS);
        bitmap->fill_black = false;
    }
}

void GdiDc::use_pen(const DrawLook& look) {
    // The gaps of a dotted line take the background colour in opaque mode.
    if (!text_valid_ || bk_mode_ != look.bk_mode || bk_color_ != look.bk_color) {
        SetBkMode(hdc_, look.bk_mode == BkMode::Transparent ? TRANSPARENT : OPAQUE);
        SetBkColor(hdc_, colorref(look.bk_color));
        bk_mode_ = look.bk_mode;
        bk_color_ = look.bk_color;
        if (!text_valid_) {
            SetTextColor(hdc_, colorref(look.text_color));
            text_color_ = look.text_color;
            text_valid_ = true;
        }
    }
    if (pen_valid_ && pen_ == look.pen) return;
    SelectObject(hdc_, gdi_objects().pen(look.pen));
    pen_ = look.pen;
    pen_valid_ = true;
}

void GdiDc::use_brush(const DrawLook& look) {
    if (brush_valid_ && brush_ == look.brush) return;
    SelectObject(hdc_, gdi_objects().brush(look.brush));
    brush_ = look.brush;
    brush_valid_ = true;
}

void GdiDc::use_text(const DrawLook& look) {
    use_pen(look);  // sets the background mode and colour
    if (text_color_ != look.text_color) {
        SetTextColor(hdc_, colorref(look.text_color));
        text_color_ = look.text_color;
    }
}

void GdiDc::line(const DrawLook& look, Point from, Point to) {
    use_pen(look);
    MoveToEx(hdc_, from.x, from.y, nullptr);
    LineTo(hdc_, to.x, to.y);
}

void GdiDc::move(Point to) {
    MoveToEx(hdc_, to.x, to.y, nullptr);
}

void GdiDc::polygon(const DrawLook& look, const Point* points, int count) {
    use_pen(look);
    use_brush(look);
    Polygon(hdc_, reinterpret_cast<const POINT*>(points), count);
}

void GdiDc::ellipse(const DrawLook& look, const Rect& b) {
    use_pen(look);
    use_brush(look);
    Ellipse(hdc_, b.left, b.top, b.right, b.bottom);
}

void GdiDc::fill(const Rect& r, const BrushInfo& brush) {
    if (brush.null) return;
    const RECT rect{r.left, r.top, r.right, r.bottom};
    FillRect(hdc_, &rect, gdi_objects().brush(brush));
}

void GdiDc::text(const DrawLook& look, Point at, std::string_view text) {
    use_text(look);
    const std::wstring w = wide(text);
    TextOutW(hdc_, at.x, at.y, w.c_str(), static_cast<int>(w.size()));
}

void GdiDc::blit(Point at, Size size, HDC source, Point from) {
    BitBlt(hdc_, at.x, at.y, size.width, size.height, source, from.x, from.y, SRCCOPY);
}

bool rasterise_to_png(const std::vector<DrawOp>& ops, Size size, std::string& png) {
    return with_replayed_pixels(ops, size, [&png](const std::uint32_t* xrgb, int w, int h) {
        return encode_png(xrgb, w, h, png);
    });
}

bool with_replayed_pixels(const std::vector<DrawOp>& ops, Size size, const PixelSink& sink) {
    if (size.width <= 0 || size.height <= 0) return false;
    DibBitmap dib = make_dib(size.width, size.height);
    HDC hdc = CreateCompatibleDC(nullptr);
    if (!dib.handle || !hdc) {
        free_dib(dib);
        if (hdc) DeleteDC(hdc);
        return false;
    }
    bool ok = false;
    {
        GdiDc dc(hdc);
        dc.select_bitmap(&dib);
        replay_ops(ops, dc);
        GdiFlush();
        ok = sink(dib.bits, dib.width, dib.height);
        dc.restore();
    }
    DeleteDC(hdc);
    free_dib(dib);
    return ok;
}

}  // namespace plat::detail::win32
