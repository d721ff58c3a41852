#include "render/view.h"

#include <cmath>
#include <limits>

namespace render {

namespace {

ViewState g_view;
TrigTables g_trig;
ModelPose g_model_pose;
Drags g_drags;

DragState& drag_of(DragKind kind) {
    switch (kind) {
        case DragKind::Rotate:
            return g_drags.rotate;
        case DragKind::Pan:
            return g_drags.pan;
        case DragKind::Zoom:
            break;
    }
    return g_drags.zoom;
}

int wrap_degrees(int degrees) {
    int a = degrees % 360;
    return a < 0 ? a + 360 : a;
}

int clamp_elevation(int degrees) {
    return degrees < 0 ? 0 : (degrees > 90 ? 90 : degrees);
}

}  // namespace

ViewState& view_state() {
    return g_view;
}
const TrigTables& trig_tables() {
    return g_trig;
}
ModelPose& model_pose() {
    return g_model_pose;
}
void reset_model_pose() {
    g_model_pose = ModelPose{};
}

void ResetView(plat::Size client, double initial_scale) {
    g_view.centerX = client.width / 2;
    g_view.centerY = (client.height - 20) / 2;
    g_view.scale = initial_scale;
    g_view.elevation = 0;
    g_view.azimuth = 270;
}

int BuildTrigTables() {
    for (int a = 0; a < 360; ++a) {
        const double r = deg_to_rad(a);
        g_trig.cosAz[a] = std::cos(r);
        g_trig.negSinAz[a] = -std::sin(r);
        for (int e = 0; e <= 90; ++e) {
            const double ce = std::cos(deg_to_rad(e));
            g_trig.sinAzCosEl[e][a] = std::sin(r) * ce;
            g_trig.cosAzCosEl[e][a] = std::cos(r) * ce;
        }
    }
    for (int e = 0; e <= 90; ++e) g_trig.sinEl[e] = std::sin(deg_to_rad(e));
    return 1;
}

int32_t trunc_to_int32(double v) {
    // Compare before converting: out-of-range conversion is undefined behaviour.
    constexpr double kLow = static_cast<double>(std::numeric_limits<int32_t>::min());
    constexpr double kHigh = static_cast<double>(std::numeric_limits<int32_t>::max());
    if (std::isnan(v)) return 0;
    if (v <= kLow) return std::numeric_limits<int32_t>::min();
    if (v >= kHigh) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

plat::Point WorldToScreen(double x, double y, double z) {
    // The drags keep the angles in range; a caller writing view_state() directly
    // must not make the tables read outside their bounds.
    const int a = wrap_degrees(g_view.azimuth);
    const int e = clamp_elevation(g_view.elevation);
    // negSinAz holds -sin a, so "x·cos a − y·sin a" adds it.
    const int32_t u = trunc_to_int32(x * g_trig.cosAz[a] + y * g_trig.negSinAz[a]);
    const int32_t v = trunc_to_int32(x * g_trig.sinAzCosEl[e][a] + y * g_trig.cosAzCosEl[e][a] +
                                     z * g_trig.sinEl[e]);
    plat::Point p;
    p.x = trunc_to_int32(g_view.centerX + u * g_view.scale);
    p.y = trunc_to_int32(g_view.centerY - v * g_view.scale);
    return p;
}

Vec3 LocalToWorld(double px, double py, const ModelPose& pose) {
    const double X = 100.0 * px;
    const double Y = 100.0 * py;
    const double f = deg_to_rad(-pose.roll);
    const double g = deg_to_rad(-pose.pitch);
    const double h = deg_to_rad(pose.yaw);
    const double cf = std::cos(f), sf = std::sin(f);
    const double cg = std::cos(g), sg = std::sin(g);
    const double ch = std::cos(h), sh = std::sin(h);
    Vec3 w;
    w.x = X * ch * cg + Y * (sg * sf * ch - sh * cf) + pose.x;
    w.y = X * sh * cg + Y * (cf * ch + sg * sf * sh) + pose.y;
    w.z = -X * sg + Y * cg * sf + pose.z;
    return w;
}

int IsTilted() {
    return g_view.elevation != 0 ? 1 : 0;
}

void resize_view(const plat::Rect& client) {
    g_view.centerX = trunc_to_int32(0.1 * (client.left + client.right));
    g_view.centerY = trunc_to_int32(0.5 * (client.top + client.bottom));
}

Drags& drags() {
    return g_drags;
}
void reset_drags() {
    g_drags = Drags{};
}

void begin_drag(DragKind kind, int x, int y) {
    DragState& d = drag_of(kind);
    d.active = 1;
    d.startX = static_cast<int16_t>(x);
    d.startY = static_cast<int16_t>(y);
    d.curX = d.startX;
    d.curY = d.startY;
    switch (kind) {
        case DragKind::Rotate:
            d.saved1 = g_view.azimuth;
            d.saved2 = g_view.elevation;
            break;
        case DragKind::Pan:
            d.saved1 = g_view.centerX;
            d.saved2 = g_view.centerY;
            break;
        case DragKind::Zoom:
            d.saved1 = trunc_to_int32(g_view.scale * 1000.0);
            d.saved2 = 0;
            break;
    }
}

void end_drag(DragKind kind) {
    drag_of(kind).active = 0;
}

bool drag_move(int x, int y, DragKind* served) {
    DragKind kind;
    if (g_drags.rotate.active) {
        kind = DragKind::Rotate;
    } else if (g_drags.pan.active) {
        kind = DragKind::Pan;
    } else if (g_drags.zoom.active) {
        kind = DragKind::Zoom;
    } else {
        return false;
    }
    DragState& d = drag_of(kind);
    d.curX = static_cast<int16_t>(x);
    d.curY = static_cast<int16_t>(y);
    const int dx = d.curX - d.startX;
    const int dy = d.curY - d.startY;
    switch (kind) {
        case DragKind::Rotate:
            g_view.azimuth = static_cast<int16_t>(wrap_degrees(dx + d.saved1));
            g_view.elevation = static_cast<int16_t>(clamp_elevation(d.saved2 - dy / 2));
            break;
        case DragKind::Pan:
            g_view.centerX = trunc_to_int32(static_cast<double>(dx) + d.saved1);
            g_view.centerY = trunc_to_int32(static_cast<double>(dy) + d.saved2);
            break;
        case DragKind::Zoom: {
            const double scale = (-dy + static_cast<double>(d.saved1)) * 0.001;
            g_view.scale = scale < kMinScale ? kMinScale : scale;
            break;
        }
    }
    if (served) *served = kind;
    return true;
}

}  // namespace render
