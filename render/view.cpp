#include "render/view.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace render {

namespace {

DragState& drag_of(Drags& drags, DragKind kind) {
    switch (kind) {
        case DragKind::Rotate:
            return drags.rotate;
        case DragKind::Pan:
            return drags.pan;
        case DragKind::Zoom:
            break;
    }
    return drags.zoom;
}

TrigTables build_tables() {
    TrigTables t;
    for (int a = 0; a < 360; ++a) {
        const double r = deg_to_rad(a);
        t.cosAz[a] = std::cos(r);
        t.negSinAz[a] = -std::sin(r);
        for (int e = 0; e <= 90; ++e) {
            const double ce = std::cos(deg_to_rad(e));
            t.sinAzCosEl[e][a] = std::sin(r) * ce;
            t.cosAzCosEl[e][a] = std::cos(r) * ce;
        }
    }
    for (int e = 0; e <= 90; ++e) t.sinEl[e] = std::sin(deg_to_rad(e));
    return t;
}

int wrap_degrees(int degrees) {
    int a = degrees % 360;
    return a < 0 ? a + 360 : a;
}

int clamp_elevation(int degrees) {
    return degrees < 0 ? 0 : (degrees > 90 ? 90 : degrees);
}

}  // namespace

const TrigTables& trig_tables() {
    // Built once, on first use, and never changed: the same for every view.
    static const TrigTables tables = build_tables();
    return tables;
}

void ResetView(ViewState& view, plat::Size client, double initial_scale) {
    view.centerX = client.width / 2;
    view.centerY = (client.height - 20) / 2;
    view.scale = initial_scale;
    view.elevation = 0;
    view.azimuth = 270;
}

int BuildTrigTables() {
    trig_tables();
    return 1;
}

plat::Point WorldToScreen(const ViewState& view, double x, double y, double z) {
    // The drags keep the angles in range; a caller writing the view directly
    // must not make the tables read outside their bounds.
    const TrigTables& trig = trig_tables();
    const int a = wrap_degrees(view.azimuth);
    const int e = clamp_elevation(view.elevation);
    // negSinAz holds -sin a, so "x·cos a − y·sin a" adds it.
    const int32_t u = trunc_to_int32(x * trig.cosAz[a] + y * trig.negSinAz[a]);
    const int32_t v =
        trunc_to_int32(x * trig.sinAzCosEl[e][a] + y * trig.cosAzCosEl[e][a] + z * trig.sinEl[e]);
    plat::Point p;
    p.x = trunc_to_int32(view.centerX + u * view.scale);
    p.y = trunc_to_int32(view.centerY - v * view.scale);
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

int IsTilted(const ViewState& view) {
    return view.elevation != 0 ? 1 : 0;
}

void resize_view(ViewState& view, const plat::Rect& client) {
    const plat::Size size{client.right - client.left, client.bottom - client.top};
    ViewState centred;
    ResetView(centred, size, view.scale);
    view.centerX = centred.centerX;
    view.centerY = centred.centerY;
}

void zoom_about(ViewState& view, int delta, int x, int y) {
    const double wanted =
        view.scale * std::pow(kWheelZoomStep, static_cast<double>(delta) / plat::kWheelNotch);
    const double scale = std::clamp(wanted, kMinScale, std::max(kMaxWheelScale, view.scale));
    // A point drawn at x lies (x - centerX) / scale world units from the origin along
    // the screen axis; it stays at x when the origin moves to x - (x - centerX) * ratio.
    const double ratio = scale / view.scale;
    view.centerX = trunc_to_int32(std::round(x - (x - static_cast<double>(view.centerX)) * ratio));
    view.centerY = trunc_to_int32(std::round(y - (y - static_cast<double>(view.centerY)) * ratio));
    view.scale = scale;
}

void begin_drag(View& view, DragKind kind, int x, int y) {
    const ViewState& vs = view.state;
    DragState& d = drag_of(view.drags, kind);
    d.active = 1;
    d.startX = static_cast<int16_t>(x);
    d.startY = static_cast<int16_t>(y);
    d.curX = d.startX;
    d.curY = d.startY;
    switch (kind) {
        case DragKind::Rotate:
            d.saved1 = vs.azimuth;
            d.saved2 = vs.elevation;
            break;
        case DragKind::Pan:
            d.saved1 = vs.centerX;
            d.saved2 = vs.centerY;
            break;
        case DragKind::Zoom:
            d.saved1 = trunc_to_int32(vs.scale * 1000.0);
            d.saved2 = 0;
            break;
    }
}

void end_drag(View& view, DragKind kind) {
    drag_of(view.drags, kind).active = 0;
}

bool drag_move(View& view, int x, int y, DragKind* served) {
    ViewState& vs = view.state;
    const Drags& drags = view.drags;
    DragKind kind;
    if (drags.rotate.active) {
        kind = DragKind::Rotate;
    } else if (drags.pan.active) {
        kind = DragKind::Pan;
    } else if (drags.zoom.active) {
        kind = DragKind::Zoom;
    } else {
        return false;
    }
    DragState& d = drag_of(view.drags, kind);
    d.curX = static_cast<int16_t>(x);
    d.curY = static_cast<int16_t>(y);
    const int dx = d.curX - d.startX;
    const int dy = d.curY - d.startY;
    switch (kind) {
        case DragKind::Rotate:
            vs.azimuth = static_cast<int16_t>(wrap_degrees(dx + d.saved1));
            vs.elevation = static_cast<int16_t>(clamp_elevation(d.saved2 - dy / 2));
            break;
        case DragKind::Pan:
            vs.centerX = trunc_to_int32(static_cast<double>(dx) + d.saved1);
            vs.centerY = trunc_to_int32(static_cast<double>(dy) + d.saved2);
            break;
        case DragKind::Zoom: {
            const double scale = (-dy + static_cast<double>(d.saved1)) * 0.001;
            vs.scale = scale < kMinScale ? kMinScale : scale;
            break;
        }
    }
    if (served) *served = kind;
    return true;
}

}  // namespace render
