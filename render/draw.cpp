#include "render/draw.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

#include "render/display_settings.h"
#include "render/view.h"

namespace render {
namespace {

constexpr plat::Color kPalette[kPaletteSize] = {
    plat::rgb(0, 255, 0),     plat::rgb(128, 0, 128),   plat::rgb(255, 128, 0),
    plat::rgb(255, 128, 255), plat::rgb(255, 255, 0),   plat::rgb(255, 0, 255),
    plat::rgb(0, 255, 255),   plat::rgb(0, 0, 255),     plat::rgb(255, 0, 0),
    plat::rgb(0, 128, 255),   plat::rgb(200, 255, 255), plat::rgb(128, 128, 128),
};
constexpr plat::Color kVantrelPalette3 = plat::rgb(200, 200, 200);
constexpr plat::Color kGridColour = plat::rgb(0, 0, 255);
constexpr plat::Color kLightGrey = plat::rgb(200, 200, 200);

// The box an axis label takes at most: pixels per character and per line.
constexpr int kAxisCharWidth = 7;
constexpr int kAxisLineHeight = 14;

// Polygons up to this size are projected on the stack; larger ones ask the heap.
constexpr int kStackPoints = 16;

// a + b without overflow: projected points may sit on the edge of the int range.
int offset(int a, int b) {
    const std::int64_t v = static_cast<std::int64_t>(a) + b;
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int>(v);
}

void line(plat::Dc dc, plat::Point a, plat::Point b) {
    plat::move_to(dc, a.x, a.y);
    plat::line_to(dc, b.x, b.y);
}

bool is_zero(const ModelPose& m) {
    return m.x == 0 && m.y == 0 && m.z == 0 && m.roll == 0 && m.pitch == 0 && m.yaw == 0;
}

}  // namespace

plat::Point project_point(const View& view, Vec2 p, double z) {
    const ModelPose& pose = view.model;
    // Both programs keep the pose at zero, where LocalToWorld is exactly (100·x,
    // 100·y): its six trigonometric calls per point would be half the painter's time.
    if (is_zero(pose)) return WorldToScreen(view.state, 100.0 * p.x, 100.0 * p.y, z);
    const Vec3 w = LocalToWorld(p.x, p.y, pose);
    return WorldToScreen(view.state, w.x, w.y, z);
}

plat::Color palette_colour(int index, DrawFlavour flavour) {
    if (index < 0 || index >= kPaletteSize) return plat::Color{};
    if (index == 3 && flavour == DrawFlavour::Vantrel) return kVantrelPalette3;
    return kPalette[index];
}

void create_draw_resources(DrawResources& res, DrawFlavour flavour) {
    delete_draw_resources(res);
    res.flavour = flavour;
    for (int i = 0; i < kPaletteSize; ++i)
        res.palette_pens[i] =
            plat::create_pen(plat::PenStyle::Solid, 2, palette_colour(i, flavour));
    res.grid_pen = plat::create_pen(plat::PenStyle::Dot, 1, kGridColour);
    if (flavour == DrawFlavour::Vantrel)
        res.light_grey_pen = plat::create_pen(plat::PenStyle::Dot, 1, kLightGrey);
    if (flavour == DrawFlavour::Plovane) {
        for (int k = 0; k < kGreyRampSize; ++k) {
            int level = 255 - k;
            res.grey_ramp[k] =
                plat::create_pen(plat::PenStyle::Solid, 2, plat::rgb(level, level, level));
        }
    }
    for (int i = 0; i < kPaletteSize; ++i)
        res.palette_brushes[i] = plat::create_solid_brush(palette_colour(i, flavour));
    if (flavour == DrawFlavour::Plovane) {
        res.highlight_pen = plat::create_pen(plat::PenStyle::Solid, 3, kHighlightColour);
        res.raw_pen = plat::create_pen(plat::PenStyle::Dot, 1, kRawColour);
    }
}

void delete_draw_resources(DrawResources& res) {
    for (plat::Pen p : res.palette_pens) plat::delete_object(p);
    plat::delete_object(res.grid_pen);
    plat::delete_object(res.light_grey_pen);
    for (plat::Pen p : res.grey_ramp) plat::delete_object(p);
    for (plat::Brush b : res.palette_brushes) plat::delete_object(b);
    plat::delete_object(res.highlight_pen);
    plat::delete_object(res.raw_pen);
    DrawFlavour flavour = res.flavour;
    res = DrawResources{};
    res.flavour = flavour;
}

void draw_grid(plat::Dc dc, const View& view) {
    const DisplaySettings& s = view.settings;
    const DrawResources& res = view.res;
    auto WorldToScreen = [&view](double x, double y, double z) {
        return render::WorldToScreen(view.state, x, y, z);
    };
    const std::int64_t R = s.maxRangeX, G = s.gridSizeX;
    plat::select_object(dc, res.grid_pen);
    if (G <= 0) return;  // the loop would never advance
    // 64-bit steps: b + G must not overflow near the top of the 32-bit range.
    for (std::int64_t b = -R; b <= R; b += G) {
        const double fb = static_cast<double>(b), fr = static_cast<double>(R);
        line(dc, WorldToScreen(-fr, fb, 0), WorldToScreen(fr, fb, 0));
        line(dc, WorldToScreen(fb, -fr, 0), WorldToScreen(fb, fr, 0));
    }
}

int format_axis_label(char (&buf)[kAxisLabelChars], double number, char unit, DrawFlavour flavour) {
    const char* suffix = unit == 'm' ? "(m)" : unit == 's' ? "(s)" : "";
    int n;
    if (flavour == DrawFlavour::Plovane) {
        n = std::snprintf(buf, sizeof buf, "%d%s", static_cast<int>(trunc_to_int32(number)),
                          suffix);
    } else {
        n = std::snprintf(buf, sizeof buf, "%.2f%s", number, suffix);
        // A number too long for two fixed decimals is shown in its shortest form.
        if (n < 0 || n >= static_cast<int>(sizeof buf))
            n = std::snprintf(buf, sizeof buf, "%.6g%s", number, suffix);
    }
    if (n < 0) {
        buf[0] = '\0';
        return 0;
    }
    return n < static_cast<int>(sizeof buf) ? n : static_cast<int>(sizeof buf) - 1;
}

void draw_axes(plat::Dc dc, const View& view) {
    const DisplaySettings& s = view.settings;
    const DrawResources& res = view.res;
    auto WorldToScreen = [&view](double x, double y, double z) {
        return render::WorldToScreen(view.state, x, y, z);
    };
    const DrawFlavour flavour = res.flavour;
    const bool viewer = flavour == DrawFlavour::Plovane;
    const std::int64_t R = s.maxRangeX, G = s.gridSizeX;
    const double fr = static_cast<double>(R);
    plat::select_object(dc, res.palette_pens[kPaletteAxes]);
    plat::set_text_color(dc, kAxisLabelColour);
    char text[kAxisLabelChars];

    // The label beside a point on the X or Y axis.
    auto axis_label = [&](plat::Point p, double number, bool last) {
        int n = format_axis_label(text, number, last ? 'm' : 0, flavour);
        if (viewer)
            plat::text_out(dc, offset(p.x, -10 * n), offset(p.y, 5), std::string_view(text, n));
        else
            plat::text_out(dc, offset(p.x, -5 * n), offset(p.y, -10), std::string_view(text, n));
    };

    line(dc, WorldToScreen(-fr, 0, 0), WorldToScreen(fr, 0, 0));
    if (G > 0) {
        for (std::int64_t i = -R; i <= R; i += G) {
            const double fi = static_cast<double>(i);
            axis_label(WorldToScreen(fi, 0, 0), fi / 100 / s.yxFactor, i == R);
        }
    }
    line(dc, WorldToScreen(0, -fr, 0), WorldToScreen(0, fr, 0));
    if (G > 0) {
        for (std::int64_t i = -R; i <= R; i += G) {
            const double fi = static_cast<double>(i);
            axis_label(WorldToScreen(0, fi, 0), fi / 100, i == R);
        }
    }
    if (viewer && !IsTilted(view.state)) return;
    line(dc, WorldToScreen(0, 0, 0), WorldToScreen(0, 0, fr));
    if (G <= 0) return;
    // A time label is written only where it does not cover the last one written:
    // seen from above, the time axis shrinks to a point and its labels would pile
    // up there.
    bool any_label = false;
    plat::Rect last_label;
    for (std::int64_t i = 0; i <= R; i += G) {
        const double fi = static_cast<double>(i);
        const plat::Point p = WorldToScreen(0, 0, fi);
        int n = format_axis_label(text, fi * s.msPerMeter / 1000, i == R ? 's' : 0, flavour);
        const plat::Rect box{offset(p.x, 10), offset(p.y, -10),
                             offset(offset(p.x, 10), kAxisCharWidth * n),
                             offset(offset(p.y, -10), kAxisLineHeight)};
        const bool covers = any_label && box.left < last_label.right &&
                            last_label.left < box.right && box.top < last_label.bottom &&
                            last_label.top < box.bottom;
        if (!covers) {
            plat::text_out(dc, box.left, box.top, std::string_view(text, n));
            last_label = box;
            any_label = true;
        }
        line(dc, p, plat::Point{offset(p.x, 10), p.y});
    }
}

void draw_shape(plat::Dc dc, const View& view, const Vec2* points, int count, double z) {
    if (count <= 0 || points == nullptr) return;
    plat::Point stack_room[kStackPoints];
    std::unique_ptr<plat::Point[]> heap_room;
    plat::Point* screen = stack_room;
    if (count > kStackPoints) {
        heap_room.reset(new (std::nothrow) plat::Point[static_cast<std::size_t>(count)]);
        if (!heap_room) return;
        screen = heap_room.get();
    }
    for (int i = 0; i < count; ++i) screen[i] = project_point(view, points[i], z);
    plat::polygon(dc, screen, count);
}

Projection::Projection(const View& view) : view_(&view), plain_(is_zero(view.model)) {
    const TrigTables& trig = trig_tables();
    int a = view.state.azimuth % 360;
    if (a < 0) a += 360;
    const int e =
        view.state.elevation < 0 ? 0 : (view.state.elevation > 90 ? 90 : view.state.elevation);
    cos_az_ = trig.cosAz[a];
    neg_sin_az_ = trig.negSinAz[a];
    sin_az_cos_el_ = trig.sinAzCosEl[e][a];
    cos_az_cos_el_ = trig.cosAzCosEl[e][a];
    sin_el_ = trig.sinEl[e];
    centre_x_ = view.state.centerX;
    centre_y_ = view.state.centerY;
    scale_ = view.state.scale;
}

CullArea cull_area(plat::Size picture) {
    // The widest pen the painters use is 3 pixels; mitred corners reach at most twice
    // the width beyond the path (the miter limit). 32 pixels leave room to spare.
    constexpr int kReach = 32;
    CullArea area;
    if (picture.width <= 0 || picture.height <= 0) return area;
    area.bounded = true;
    area.left = -kReach;
    area.top = -kReach;
    area.right = picture.width + kReach;
    area.bottom = picture.height + kReach;
    return area;
}

void draw_marker(plat::Dc dc, const View& view, Vec2 point, int r, double z) {
    const plat::Point p = project_point(view, point, z);
    plat::ellipse(dc, offset(p.x, -r), offset(p.y, -r), offset(p.x, r), offset(p.y, r));
}

void draw_label(plat::Dc dc, const View& view, std::string_view text, Vec2 point, double z) {
    const plat::Point p = project_point(view, point, z);
    const int n = text.size() > 1000000 ? 1000000 : static_cast<int>(text.size());
    plat::text_out(dc, offset(p.x, -5 * n), offset(p.y, -10), text);
}

}  // namespace render
