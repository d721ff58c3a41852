// A reference for measuring the layer's cost: the same picture drawn straight with
// QPainter, without our device contexts (library scene_platform_qt, no Qt types here).
#pragma once

#include <string>
#include <vector>

namespace plat::qt {

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

}  // namespace plat::qt
