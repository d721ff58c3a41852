// What a drawing call looks like to the platform layer: the description of a pen
// and of a brush, and the record of one call made on a device context with the
// state it was made in. The core hands these to the back ends; the headless back
// end keeps them as its recording, and the Qt back end can replay a recording
// into a picture.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace plat {

struct PenInfo {
    PenStyle style = PenStyle::Solid;
    int width = 1;  // pixels
    Color color;
    friend bool operator==(const PenInfo& a, const PenInfo& b) {
        return a.style == b.style && a.width == b.width && a.color == b.color;
    }
};

struct BrushInfo {
    bool null = false;  // hollow brush
    Color color;
    friend bool operator==(const BrushInfo& a, const BrushInfo& b) {
        return a.null == b.null && (a.null || a.color == b.color);
    }
};

enum class Op { MoveTo, LineTo, Polygon, Ellipse, Rectangle, FillRect, Text, BitBlt, Erase };

// One drawing call with the state it was made in.
struct DrawOp {
    Op op = Op::MoveTo;
    // MoveTo: {to}; LineTo: {from, to}; Polygon: the vertices; Ellipse, Rectangle,
    // FillRect, Erase: {top-left, bottom-right}; Text: {top-left}; BitBlt: {dst, size, src}.
    std::vector<Point> points;
    Pen pen;  // selected pen handle
    PenInfo pen_info;
    Brush brush;  // selected brush handle (FillRect: the brush passed)
    BrushInfo brush_info;
    std::string text;  // Text only
    Color text_color;
    Color bk_color;
    BkMode bk_mode = BkMode::Opaque;
};

}  // namespace plat
