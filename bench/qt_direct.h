// The baseline of the benchmarks that measure the platform layer's cost: the same
// pictures drawn straight with QPainter, without our device contexts.
#pragma once

#include <QFont>
#include <QPen>
#include <string>
#include <vector>

#include "platform/draw_record.h"

namespace bench_qt {

// The font our Qt device context writes with.
QFont canvas_font();
// The QPen that draws like a pen of our device contexts: dotted and dashed only
// when 1 pixel wide, flat caps when thin, square caps and mitred joins when wide.
QPen pen(const plat::PenInfo& info);

struct BenchLine {
    int x1, y1, x2, y2;  // client pixels
    bool grid;           // grid line (blue, dotted, 1 px) or axis (grey, solid, 2 px)
};
struct BenchText {
    int x, y;  // top-left corner
    std::string text;
};

// One paint as the viewer makes it, straight on Qt: a fresh 960 x 640 off-screen
// image filled black, the lines, the texts in grey on a transparent background, and
// the copy onto a window-sized backing image kept between calls. Needs a running
// Qt back end (start_platform with "qt").
void paint_direct(int width, int height, const std::vector<BenchLine>& lines,
                  const std::vector<BenchText>& texts);

}  // namespace bench_qt
