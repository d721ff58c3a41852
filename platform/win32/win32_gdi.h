// Inside the Win32 back end: device contexts over GDI and PNG files through WIC.
// The only header besides the back end's sources that includes windows.h.
#pragma once

// Our headers first: windows.h defines the message, key and accelerator names as
// macros, with the same numbers as our constants.
#include "platform/detail.h"

#ifndef UNICODE
#define UNICODE  // the wide (UTF-16) forms of the system's names
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace plat::detail::win32 {

// UTF-8 (our strings) to UTF-16 (the system's) and back.
std::wstring wide(std::string_view utf8);
std::string utf8(const wchar_t* text, int length = -1);

COLORREF colorref(Color c);

// Pens, brushes and the text font, made once per description and shared by every
// DC (GDI selects one pen into many DCs; only bitmaps are exclusive).
class GdiObjects {
  public:
    ~GdiObjects();
    HPEN pen(const PenInfo& info);
    HBRUSH brush(const BrushInfo& info);
    HFONT font();
    // A DC of the screen, kept: getting one costs a round trip.
    HDC screen();
    void clear();

  private:
    // A paint switches pens for nearly every box: the last pens asked for are
    // found in a small table first, without hashing.
    struct RecentPen {
        std::uint64_t key = 0;
        HPEN pen = nullptr;
    };
    RecentPen recent_[64];
    std::unordered_map<std::uint64_t, HPEN> pens_;
    std::unordered_map<std::uint32_t, HBRUSH> brushes_;
    HFONT font_ = nullptr;
    HDC screen_ = nullptr;
};
GdiObjects& gdi_objects();

// A bitmap: a 32-bit top-down DIB section (bits set), or a device-dependent
// bitmap compatible with the screen (bits null), as off-screen pictures are:
// GDI draws on those fastest.
struct DibBitmap {
    HBITMAP handle = nullptr;       // null until the bitmap is first needed
    std::uint32_t* bits = nullptr;  // DIB sections: 0x00RRGGBB, row by row
    int width = 0, height = 0;
    bool fill_black = false;  // not yet filled: done in the first DC it is selected into
};
// A black DIB section of the size; with pixels, those over `matte` where transparent.
DibBitmap make_dib(int width, int height, const Pixels* pixels = nullptr, COLORREF matte = 0);
// A bitmap compatible with the screen, black once a DC fills it (fill_black); a
// black DIB section where there is no screen.
DibBitmap make_compatible(int width, int height);
void free_dib(DibBitmap& dib);
// What a DC shows in its top-left width x height pixels, as a PNG file's bytes.
bool encode_dc_png(HDC source, int width, int height, std::string& png);
// Pixels of a 32-bit DIB (0x00RRGGBB, row by row from the top) handed to a consumer.
using PixelSink = std::function<bool(const std::uint32_t* xrgb, int width, int height)>;
// The sink gets a copy of a w x h block of source; its result is returned.
bool with_dc_pixels(HDC source, int width, int height, const PixelSink& sink);

// One GDI device context with the objects it started with, and the look last
// applied, so that repeated calls with the same selection change nothing.
class GdiDc {
  public:
    explicit GdiDc(HDC hdc);
    // Puts the original objects back (the caller then releases or deletes hdc).
    void restore();
    HDC hdc() const { return hdc_; }

    // Selects the bitmap (filling it black first when it is new) or, with null,
    // the one the DC started with.
    void select_bitmap(DibBitmap* bitmap);
    void line(const DrawLook& look, Point from, Point to);
    void move(Point to);
    void polygon(const DrawLook& look, const Point* points, int count);
    void ellipse(const DrawLook& look, const Rect& box);
    void fill(const Rect& rect, const BrushInfo& brush);
    void text(const DrawLook& look, Point at, std::string_view text);
    void blit(Point at, Size size, HDC source, Point from);

  private:
    void use_pen(const DrawLook& look);
    void use_brush(const DrawLook& look);
    void use_text(const DrawLook& look);

    HDC hdc_;
    HGDIOBJ old_pen_, old_brush_, old_font_, old_bitmap_ = nullptr;
    bool pen_valid_ = false, brush_valid_ = false, text_valid_ = false;
    PenInfo pen_;
    BrushInfo brush_;
    Color text_color_, bk_color_;
    BkMode bk_mode_ = BkMode::Opaque;
    std::vector<POINT> points_;  // reused for polygons
};

// PNG files through the Windows Imaging Component. Pixels of a 32-bit DIB
// (0x00RRGGBB) in, a PNG file's bytes out; and a file in, 0xAARRGGBB out.
bool encode_png(const std::uint32_t* xrgb, int width, int height, std::string& png);
bool read_png_file(const std::string& path, Pixels& out);

// Renders a headless recording into a picture of the size, as a PNG file's bytes.
bool rasterise_to_png(const std::vector<DrawOp>& ops, Size size, std::string& png);
// The same, the picture's pixels handed to sink.
bool with_replayed_pixels(const std::vector<DrawOp>& ops, Size size, const PixelSink& sink);

}  // namespace plat::detail::win32
