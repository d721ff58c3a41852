// What a drawing call looks like to the platform layer: the description of a pen
// and of a brush, and the record of one call made on a device context with the
// state it was made in. The core hands these to the back ends; the headless back
// end keeps them as its recording, and the window back ends replay a recording
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

enum class Op { MoveTo, LineTo, Polygon, Ellipse, FillRect, Text, BitBlt, Erase };

// One drawing call with the state it was made in.
struct DrawOp {
    Op op = Op::MoveTo;
    // MoveTo: {to}; LineTo: {from, to}; Polygon: the vertices; Ellipse, FillRect,
    // Erase: {top-left, bottom-right}; Text: {top-left}; BitBlt: {dst, size, src}.
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

// What a drawing call is drawn with: the pen, the brush and the text state.
struct DrawLook {
    PenInfo pen;
    BrushInfo brush;
    Color text_color;
    Color bk_color;
    BkMode bk_mode = BkMode::Opaque;
};

inline DrawLook look_of(const DrawOp& op) {
    return DrawLook{op.pen_info, op.brush_info, op.text_color, op.bk_color, op.bk_mode};
}

// Draws a recording with a back end's drawing calls: Target has line, polygon,
// ellipse, fill and text taking a DrawLook as the ops need them.
// A move only places the next line, and a block copy's calls follow it in the
// recording, so neither draws anything itself.
template <class Target>
void replay_ops(const std::vector<DrawOp>& ops, Target& target) {
    for (const DrawOp& op : ops) {
        const std::vector<Point>& p = op.points;
        switch (op.op) {
            case Op::LineTo:
                if (p.size() == 2) target.line(look_of(op), p[0], p[1]);
                break;
            case Op::Polygon:
                if (p.size() >= 2)
                    target.polygon(look_of(op), p.data(), static_cast<int>(p.size()));
                break;
            case Op::Ellipse:
                if (p.size() == 2)
                    target.ellipse(look_of(op), Rect{p[0].x, p[0].y, p[1].x, p[1].y});
                break;
            case Op::FillRect:
            case Op::Erase:
                if (p.size() == 2) target.fill(Rect{p[0].x, p[0].y, p[1].x, p[1].y}, op.brush_info);
                break;
            case Op::Text:
                if (p.size() == 1) target.text(look_of(op), p[0], op.text);
                break;
            case Op::MoveTo:
            case Op::BitBlt:
                break;
        }
    }
}

}  // namespace plat
