// Drawing resources and the small drawing operations every scene picture is made
// of: a twelve-entry palette of pens and brushes, the dotted grid pen, the grey
// ramp of the history view, the reference grid, the axes with their labels, and
// three placing operations that draw a polygon, a circular marker or a text label
// given in metres at a time height.
//
// Units: the grid, the axes and WorldToScreen work in world centimetres; shapes and
// label positions are in metres and go through LocalToWorld with the view's model
// pose and then WorldToScreen. z is the time height, a world coordinate in centimetres.
//
// The two viewers differ in a few points (DrawFlavour): the labelling tool has a
// grey palette entry 3, a light-grey dotted pen and no grey ramp, prints axis
// labels with two decimals beside the axes and always draws the time axis.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "data/geometry.h"
#include "platform/platform.h"

namespace render {

struct View;

enum class DrawFlavour { Plovane, Vantrel };

constexpr int kPaletteSize = 12;
constexpr int kGreyRampSize = 256;
// Palette entries with a fixed use.
constexpr int kPaletteEgoMarker = 1;  // ego centre marker and wheels
constexpr int kPaletteEgoBody = 4;    // ego body fill, ego history without role colours
constexpr int kPaletteAxes = 11;      // axes, boxes without a role
// Text colour of the axis labels.
constexpr plat::Color kAxisLabelColour = plat::rgb(128, 128, 128);
// Size of the buffer an axis label is formatted into, terminator included.
constexpr std::size_t kAxisLabelChars = 32;

// The palette colour of entry index (0..11) in a flavour.
plat::Color palette_colour(int index, DrawFlavour flavour);

// The drawing resources of a view; all null before create_draw_resources.
struct DrawResources {
    DrawFlavour flavour = DrawFlavour::Plovane;
    plat::Pen palette_pens[kPaletteSize];       // solid, 2 px, palette colours
    plat::Brush palette_brushes[kPaletteSize];  // solid, palette colours
    plat::Pen grid_pen;                         // dotted, 1 px, (0, 0, 255)
    plat::Pen light_grey_pen;            // dotted, 1 px, (200, 200, 200); labelling tool only
    plat::Pen grey_ramp[kGreyRampSize];  // solid, 2 px; pen k has grey level 255 - k; viewer only
    plat::Pen highlight_pen;  // solid, 3 px, kHighlightColour: the selected box; viewer only
    plat::Pen raw_pen;        // dotted, 1 px, kRawColour: samples before cleaning; viewer only
};

// Colours of the viewer's selected box and of the samples as read; neither is a
// palette colour, a grey or a default role colour.
constexpr plat::Color kHighlightColour = plat::rgb(255, 60, 150);
constexpr plat::Color kRawColour = plat::rgb(140, 255, 140);

// Creates, in this order, the twelve palette pens, the grid pen, the light-grey
// pen (labelling tool), the grey ramp from k = 0 to 255 (viewer), the twelve
// palette brushes, the highlight and raw pens (viewer). Deletes an earlier set first.
void create_draw_resources(DrawResources& res, DrawFlavour flavour = DrawFlavour::Plovane);
// Deletes every pen and brush made by create_draw_resources; safe when there are none.
void delete_draw_resources(DrawResources& res);

// The grid: with R = maxRangeX and G = gridSizeX, for b = -R, -R + G, ... while
// b <= R a line (-R, b, 0)-(R, b, 0) and a line (b, -R, 0)-(b, R, 0), in the grid
// pen. Nothing when G <= 0 or R < 0.
void draw_grid(plat::Dc dc, const View& view);

// The axes in palette pen 11 with labels in kAxisLabelColour: X from (-R, 0, 0) to
// (R, 0, 0) labelled every G with i / 100 / yxFactor metres, Y likewise with i / 100,
// and, when the view is tilted (always in the labelling tool), the time axis from
// (0, 0, 0) to (0, 0, R) labelled every G with i · msPerMeter / 1000 seconds, each
// with a 10-pixel tick. The label at exactly i = R carries the unit, "(m)" or "(s)".
// Viewer labels are integers cut toward zero (saturated to the 32-bit range); the
// labelling tool prints two decimals. No labels when G <= 0.
void draw_axes(plat::Dc dc, const View& view);

// Label text of an axis number into buf: "%d" of the number cut toward zero
// (saturated; NaN reads 0), or "%.2f" in the labelling tool; `unit` ('m', 's', or
// 0 for none) appends "(m)"/"(s)". Never writes more than kAxisLabelChars bytes;
// returns the text length.
int format_axis_label(char (&buf)[kAxisLabelChars], double number, char unit, DrawFlavour flavour);

// Where a point (metres) at time height z lands on the client area: LocalToWorld
// with the view's model pose, then WorldToScreen. For polylines drawn with
// move_to/line_to.
plat::Point project_point(const View& view, Vec2 point, double z);

// Converts a double to a 32-bit integer rounding toward zero; values beyond the
// range saturate at its ends and NaN gives 0 (a plain conversion would be undefined).
inline int32_t trunc_to_int32(double v) {
    // Compare before converting: out-of-range conversion is undefined behaviour.
    constexpr double kLow = static_cast<double>(std::numeric_limits<int32_t>::min());
    constexpr double kHigh = static_cast<double>(std::numeric_limits<int32_t>::max());
    if (std::isnan(v)) return 0;
    if (v <= kLow) return std::numeric_limits<int32_t>::min();
    if (v >= kHigh) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

// project_point for one paint: the view's tables, angles, centre and scale read once
// instead of for every point, with the same arithmetic in the same order, so that
// at(p, z) is project_point(view, p, z) to the pixel. The view must outlive it and
// stay unchanged while it is used.
class Projection {
  public:
    explicit Projection(const View& view);
    plat::Point at(Vec2 p, double z) const {
        if (!plain_) return project_point(*view_, p, z);
        const double x = 100.0 * p.x, y = 100.0 * p.y;
        const int32_t u = trunc_to_int32(x * cos_az_ + y * neg_sin_az_);
        const int32_t v = trunc_to_int32(x * sin_az_cos_el_ + y * cos_az_cos_el_ + z * sin_el_);
        return plat::Point{trunc_to_int32(centre_x_ + u * scale_),
                           trunc_to_int32(centre_y_ - v * scale_)};
    }

    // True when at() is the plain projection below (the model pose is zero);
    // scale() is then the pixels per centimetre.
    bool plain() const { return plain_; }
    double scale() const { return scale_; }

  private:
    const View* view_;
    bool plain_;  // the model pose is zero: LocalToWorld is (100·x, 100·y)
    double cos_az_ = 0, neg_sin_az_ = 0, sin_az_cos_el_ = 0, cos_az_cos_el_ = 0, sin_el_ = 0;
    int32_t centre_x_ = 0, centre_y_ = 0;
    double scale_ = 0;
};

// Where a picture's drawing can show: the picture grown on every side by more than
// any pen reaches beyond its path (half the widest pen's width, and its mitred
// corners). A polygon whose points all lie beyond one side of it draws nothing on
// the picture, whatever its pen. An empty picture size means no bounds: nothing is
// left out.
struct CullArea {
    bool bounded = false;
    int left = 0, top = 0, right = 0, bottom = 0;
};
CullArea cull_area(plat::Size picture);
// True when the points all lie left, right, above or below the area.
inline bool beyond(const CullArea& area, const plat::Point* points, int count) {
    if (!area.bounded || count <= 0) return false;
    int min_x = points[0].x, max_x = points[0].x, min_y = points[0].y, max_y = points[0].y;
    for (int i = 1; i < count; ++i) {
        min_x = points[i].x < min_x ? points[i].x : min_x;
        max_x = points[i].x > max_x ? points[i].x : max_x;
        min_y = points[i].y < min_y ? points[i].y : min_y;
        max_y = points[i].y > max_y ? points[i].y : max_y;
    }
    return max_x < area.left || min_x > area.right || max_y < area.top || min_y > area.bottom;
}

// The closed polygon through points (metres) at time height z, filled with the
// selected brush and outlined with the selected pen. Skipped when there is no
// room for the screen points.
void draw_shape(plat::Dc dc, const View& view, const Vec2* points, int count, double z);
// A circle of radius r pixels around the projected point, selected pen and brush.
void draw_marker(plat::Dc dc, const View& view, Vec2 point, int r, double z);
// text with its top-left corner at (sx - 5·n, sy - 10), n its length and (sx, sy)
// the projected point, in the selected text colour.
void draw_label(plat::Dc dc, const View& view, std::string_view text, Vec2 point, double z);

}  // namespace render
