#include "analysis/plots.h"

#include <algorithm>
#include <cmath>

#include "data/number_text.h"

namespace analysis {

namespace {

constexpr int kLeftMargin = 52;  // pixels for the value labels
constexpr int kRightMargin = 10;
constexpr int kTopMargin = 6;
constexpr int kBottomMargin = 20;  // the time labels
constexpr int kPanelGap = 8;
constexpr int kMinPanelHeight = 20;

constexpr plat::Color kFrameColour = plat::rgb(110, 110, 110);
constexpr plat::Color kTextColour = plat::rgb(220, 220, 220);
constexpr plat::Color kCurveColour = plat::rgb(80, 200, 255);
constexpr plat::Color kThresholdColour = plat::rgb(255, 170, 0);
constexpr plat::Color kLeadChangeColour = plat::rgb(170, 90, 200);
constexpr plat::Color kCursorColour = plat::rgb(255, 255, 255);

}  // namespace

// ---- Scales ------------------------------------------------------------------------

int x_of_time(const PlotScale& s, double t) {
    const double span = s.t1 - s.t0;
    const double w = s.area.width() - 1;
    const double f = span > 0 ? (t - s.t0) / span : 0;
    return s.area.left + static_cast<int>(std::lround(std::clamp(f, -1.0, 2.0) * w));
}

double time_of_x(const PlotScale& s, int x) {
    const double w = s.area.width() - 1;
    const double f = w > 0 ? (x - s.area.left) / w : 0;
    return s.t0 + std::clamp(f, 0.0, 1.0) * (s.t1 - s.t0);
}

int y_of_value(const PlotScale& s, double v) {
    const double span = s.v1 - s.v0;
    const double h = s.area.height() - 1;
    double f = span > 0 ? (v - s.v0) / span : 0;
    if (!std::isfinite(f)) f = f > 0 ? 1 : 0;
    return s.area.bottom - 1 - static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * h));
}

double nice_ceiling(double v) {
    if (!(v > 0) || !std::isfinite(v)) return 1;
    const double p = std::pow(10.0, std::floor(std::log10(v)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= v * (1 - 1e-12)) return m * p;
    return 10 * p;
}

std::vector<plat::Rect> plot_areas(plat::Size client, int count) {
    std::vector<plat::Rect> out;
    if (count <= 0) return out;
    const int left = kLeftMargin, right = client.width - kRightMargin;
    const int height = client.height - kTopMargin - kBottomMargin - kPanelGap * (count - 1);
    const int each = height / count;
    if (right - left < 2 || each < kMinPanelHeight) return out;
    for (int i = 0; i < count; ++i) {
        const int top = kTopMargin + i * (each + kPanelGap);
        out.push_back(plat::Rect{left, top, right, top + each});
    }
    return out;
}

// ---- What is plotted ---------------------------------------------------------------

PlotSet make_plot_set(const std::vector<Measure>& series) {
    PlotSet set;
    PlotPanel speed{"Ego speed [m/s]", {}, std::nullopt, {}};
    PlotPanel gap{"Gap [m]", {}, std::nullopt, {}};
    PlotPanel thw{"THW [s]", {}, kThwClip, {1.0, 2.0}};
    PlotPanel ttc{"TTC [s]", {}, kTtcClip, {1.5, 3.0}};
    const double t0 = series.empty() ? 0 : series.front().time_ms;
    for (size_t i = 0; i < series.size(); ++i) {
        const Measure& m = series[i];
        set.times.push_back((m.time_ms - t0) / 1000.0);
        set.frames.push_back(m.frame);
        if (i > 0 && m.lead_index != series[i - 1].lead_index) set.lead_changes.push_back(i);
        speed.values.push_back(m.ego_speed);
        gap.values.push_back(m.gap);
        thw.values.push_back(m.thw);
        ttc.values.push_back(m.ttc);
    }
    set.panels = {std::move(speed), std::move(gap), std::move(thw), std::move(ttc)};
    return set;
}

PlotPanel vehicle_speed_panel(const TrajStore& store, int32_t index, const PlotSet& set) {
    PlotPanel panel;
    if (index < 0 || index >= store.entry_count) return panel;
    const TrajEntry& e = store.entries[static_cast<size_t>(index)];
    panel.title = "Vehicle " + format_int(e.id) + " speed [m/s]";
    const TrajPoint* first = &store.samples[static_cast<size_t>(e.first)];
    const TrajPoint* last = first + e.count;
    auto distance = [](const TrajPoint* p, int32_t frame) {
        return std::abs(static_cast<int64_t>(p->frame) - frame);
    };
    for (int32_t frame : set.frames) {
        // The sample nearest in frame, within 1 frame as the clock shows a sample.
        const TrajPoint* s = std::lower_bound(
            first, last, frame, [](const TrajPoint& p, int32_t f) { return p.frame < f; });
        if (s != first && (s == last || distance(s - 1, frame) < distance(s, frame))) --s;
        if (s != last && distance(s, frame) <= 1)
            panel.values.push_back(s->speed);
        else
            panel.values.push_back(std::nullopt);
    }
    return panel;
}

PlotScale panel_scale(const PlotSet& set, size_t i, const plat::Rect& area) {
    PlotScale s;
    s.area = area;
    s.t0 = set.times.empty() ? 0 : set.times.front();
    s.t1 = set.times.empty() ? 1 : std::max(set.times.back(), s.t0 + 1e-3);
    double top = 0;
    const PlotPanel& p = set.panels[i];
    for (const auto& v : p.values)
        if (v && std::isfinite(*v)) top = std::max(top, p.clip ? std::min(*v, *p.clip) : *v);
    for (double t : p.thresholds) top = std::max(top, t);
    s.v0 = 0;
    s.v1 = nice_ceiling(top);
    return s;
}

std::optional<size_t> row_at_point(const PlotSet& set, plat::Size client, int x, int y) {
    if (set.times.empty()) return std::nullopt;
    const std::vector<plat::Rect> areas = plot_areas(client, static_cast<int>(set.panels.size()));
    for (size_t i = 0; i < areas.size(); ++i) {
        const plat::Rect& a = areas[i];
        if (x < a.left || x >= a.right || y < a.top || y >= a.bottom) continue;
        const double t = time_of_x(panel_scale(set, i, a), x);
        const auto it = std::lower_bound(set.times.begin(), set.times.end(), t);
        if (it == set.times.end()) return set.times.size() - 1;
        size_t row = static_cast<size_t>(it - set.times.begin());
        if (row > 0 && t - set.times[row - 1] <= *it - t) --row;
        return row;
    }
    return std::nullopt;
}

std::optional<size_t> row_of_frame(const PlotSet& set, int32_t frame) {
    const auto it = std::upper_bound(set.frames.begin(), set.frames.end(), frame);
    if (it == set.frames.begin()) return std::nullopt;
    return static_cast<size_t>(it - set.frames.begin()) - 1;
}

// ---- Drawing -----------------------------------------------------------------------

namespace {

// The pens of one paint, deleted at its end.
struct PlotPens {
    plat::Pen frame = plat::create_pen(plat::PenStyle::Solid, 1, kFrameColour);
    plat::Pen curve = plat::create_pen(plat::PenStyle::Solid, 1, kCurveColour);
    plat::Pen threshold = plat::create_pen(plat::PenStyle::Dash, 1, kThresholdColour);
    plat::Pen lead = plat::create_pen(plat::PenStyle::Dot, 1, kLeadChangeColour);
    plat::Pen cursor = plat::create_pen(plat::PenStyle::Solid, 1, kCursorColour);
    ~PlotPens() {
        for (plat::Pen p : {frame, curve, threshold, lead, cursor}) plat::delete_object(p);
    }
};

void line(plat::Dc dc, int x0, int y0, int x1, int y1) {
    plat::move_to(dc, x0, y0);
    plat::line_to(dc, x1, y1);
}

void outline(plat::Dc dc, const plat::Rect& a) {
    plat::move_to(dc, a.left, a.top);
    plat::line_to(dc, a.right - 1, a.top);
    plat::line_to(dc, a.right - 1, a.bottom - 1);
    plat::line_to(dc, a.left, a.bottom - 1);
    plat::line_to(dc, a.left, a.top);
}

std::string value_label(double v) {
    return v >= 10 || v == std::floor(v) ? format_fixed(v, 0) : format_fixed(v, 1);
}

// The curve: one vertical stroke per pixel column from the smallest to the largest
// value falling in it, joined to the column before; a row without a value breaks
// the curve.
void draw_curve(plat::Dc dc, const PlotSet& set, const PlotPanel& p, const PlotScale& s) {
    bool open = false;
    int column = 0, low = 0, high = 0, last_y = 0;
    auto flush = [&] {
        if (!open) return;
        plat::line_to(dc, column, low);
        plat::line_to(dc, column, high);
        plat::move_to(dc, column, last_y);
    };
    for (size_t i = 0; i < p.values.size() && i < set.times.size(); ++i) {
        const std::optional<double>& v = p.values[i];
        if (!v || std::isnan(*v)) {
            flush();
            open = false;
            continue;
        }
        const double shown = p.clip ? std::min(*v, *p.clip) : *v;
        const int x = x_of_time(s, set.times[i]);
        const int y = y_of_value(s, shown);
        if (open && x == column) {
            low = std::min(low, y), high = std::max(high, y), last_y = y;
            continue;
        }
        if (open) {
            flush();
            plat::line_to(dc, x, y);
        } else {
            plat::move_to(dc, x, y);
        }
        open = true;
        column = x, low = high = last_y = y;
    }
    flush();
}

}  // namespace

void draw_plots(plat::Dc dc, plat::Size client, const PlotSet& set, int32_t frame) {
    plat::fill_rect(dc, plat::Rect{0, 0, client.width, client.height},
                    plat::stock_brush(plat::StockBrush::Black));
    plat::set_bk_mode(dc, plat::BkMode::Transparent);
    plat::set_text_color(dc, kTextColour);
    const std::vector<plat::Rect> areas = plot_areas(client, static_cast<int>(set.panels.size()));
    if (areas.empty()) return;
    if (set.times.empty()) {
        plat::text_out(dc, areas[0].left + 4, areas[0].top + 2, "No scene loaded");
        return;
    }
    PlotPens pens;
    const plat::Pen kept = plat::select_object(dc, pens.frame);
    const std::optional<size_t> cursor_row = row_of_frame(set, frame);
    for (size_t i = 0; i < areas.size(); ++i) {
        const plat::Rect& a = areas[i];
        const PlotPanel& p = set.panels[i];
        const PlotScale s = panel_scale(set, i, a);
        plat::select_object(dc, pens.frame);
        outline(dc, a);
        plat::text_out(dc, 4, a.top, value_label(s.v1));
        plat::text_out(dc, 4, a.bottom - 14, value_label(s.v0));
        plat::select_object(dc, pens.lead);
        for (size_t row : set.lead_changes) {
            const int x = x_of_time(s, set.times[row]);
            line(dc, x, a.top + 1, x, a.bottom - 1);
        }
        plat::select_object(dc, pens.threshold);
        for (double t : p.thresholds) {
            const int y = y_of_value(s, t);
            line(dc, a.left + 1, y, a.right - 1, y);
        }
        plat::select_object(dc, pens.curve);
        draw_curve(dc, set, p, s);
        plat::text_out(dc, a.left + 6, a.top + 2, p.title);
        if (cursor_row) {
            plat::select_object(dc, pens.cursor);
            const int x = x_of_time(s, set.times[*cursor_row]);
            line(dc, x, a.top, x, a.bottom);
        }
    }
    const plat::Rect& last = areas.back();
    const PlotScale s = panel_scale(set, areas.size() - 1, last);
    const int label_y = last.bottom + 3;
    plat::text_out(dc, last.left, label_y, format_fixed(s.t0, 0) + " s");
    const std::string end = format_fixed(s.t1, 1) + " s";
    plat::text_out(dc, last.right - 8 * static_cast<int>(end.size()), label_y, end);
    if (cursor_row) {
        // The cursor's time in the middle, clear of the two ends' labels.
        const std::string now = "cursor " + format_fixed(set.times[*cursor_row], 1) + " s";
        plat::text_out(dc, (last.left + last.right) / 2 - 4 * static_cast<int>(now.size()), label_y,
                       now);
    }
    plat::select_object(dc, kept);
}

}  // namespace analysis
