// Time plots of the measurements over the whole scene: one panel per quantity,
// stacked, sharing the time axis, with a cursor at the clock's time, the lead
// changes marked and dashed threshold lines. The scales are pure arithmetic
// (tested alone); the drawing goes through the platform's drawing calls only, so it
// draws alike on every back end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/measure.h"
#include "platform/platform.h"

namespace analysis {

// ---- Scales ------------------------------------------------------------------------

// A panel: its rectangle in client pixels and the ranges it maps onto it.
struct PlotScale {
    plat::Rect area;  // right and bottom exclusive
    double t0 = 0;    // seconds at area.left
    double t1 = 1;    // seconds at area.right - 1
    double v0 = 0;    // value at area.bottom - 1
    double v1 = 1;    // value at area.top
};

// Client x of time t (seconds); times outside the range land outside the area.
int x_of_time(const PlotScale& scale, double t);
// Time (seconds) at client x, clamped to [t0, t1].
double time_of_x(const PlotScale& scale, int x);
// Client y of value v, clamped into the area (a clipped value rides its edge).
int y_of_value(const PlotScale& scale, double v);

// The smallest of 1, 2, 5 times a power of ten at or above v (1 for v <= 0 or not
// finite): the top of a panel's value range.
double nice_ceiling(double v);

// The panels' rectangles for a client area: count panels stacked top to bottom,
// leaving room on the left for the value labels and below for the time labels.
// Empty when the client area is too small to hold them.
std::vector<plat::Rect> plot_areas(plat::Size client, int count);

// ---- What is plotted ---------------------------------------------------------------

struct PlotPanel {
    std::string title;                          // "Ego speed [m/s]"
    std::vector<std::optional<double>> values;  // one per series row; none leaves a gap
    std::optional<double> clip;                 // values above it are drawn at it
    std::vector<double> thresholds;             // dashed horizontal lines
};

struct PlotSet {
    std::vector<double> times;         // seconds from the first row, one per row
    std::vector<int32_t> frames;       // the rows' frames
    std::vector<size_t> lead_changes;  // rows whose lead differs from the row before
    std::vector<PlotPanel> panels;
};

constexpr double kTtcClip = 10.0;  // seconds: the TTC panel shows at most this
constexpr double kThwClip = 10.0;  // seconds: the THW panel likewise

// The four panels of a series: ego speed, gap, THW (thresholds 1 s and 2 s) and TTC
// (clipped at kTtcClip, thresholds 1.5 s and 3 s).
PlotSet make_plot_set(const std::vector<Measure>& series);

// A fifth panel: the speed of trajectory `index` at each row's frame (none where it
// has no sample at that frame), titled "Vehicle <id> speed [m/s]".
PlotPanel vehicle_speed_panel(const TrajStore& store, int32_t index, const PlotSet& set);

// The scale of panel i in a client area (the value range from 0 to the nice ceiling
// of its largest value, clip and thresholds; the time range of the whole set).
PlotScale panel_scale(const PlotSet& set, size_t i, const plat::Rect& area);

// The row a click at (x, y) points at: the row nearest in time to x, when the
// point lies in one of the panels; none otherwise or for an empty set.
std::optional<size_t> row_at_point(const PlotSet& set, plat::Size client, int x, int y);

// The row nearest in time to the clock's frame: the last row at or before it.
std::optional<size_t> row_of_frame(const PlotSet& set, int32_t frame);

// Paints the panels over the whole client area (black background), with the cursor
// at the row of `frame` (row_of_frame).
void draw_plots(plat::Dc dc, plat::Size client, const PlotSet& set, int32_t frame);

}  // namespace analysis
