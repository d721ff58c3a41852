// The viewers' camera: an orthographic view of the world (centimetres) turned about
// the vertical axis (azimuth), tilted from top-down toward a side view (elevation),
// placed on the client area (centre) and zoomed (scale); the trigonometric tables
// behind the projection; the placement of model outlines; and the arithmetic of the
// three mouse drags (middle rotates, right pans, left zooms).
//
// Everything here is arithmetic over the records below; the window side (cursors,
// repaint requests, reading the client rectangle) is the shell's. A View gathers
// everything about how a scene is looked at: the camera, the model placement, the
// drags, the display settings, the frame switch and the pens and brushes the
// painters draw with. A program owns one (its app record) and hands it to the
// painters by reference.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "render/display_settings.h"
#include "render/draw.h"
#include "render/role_colours.h"

namespace render {

// Degrees to radians with π taken to ten decimals, as the view does everywhere.
constexpr double kViewPi = 3.1415926535;
constexpr double deg_to_rad(double degrees) {
    return degrees * kViewPi / 180.0;
}

// Zoom at start, pixels per centimetre.
constexpr double kPlovaneInitialScale = 0.045;
constexpr double kVantrelInitialScale = 0.06;
// Smallest zoom a left drag or the wheel can reach, pixels per centimetre.
constexpr double kMinScale = 0.01;
// Largest zoom the wheel goes to (a car is then some 8000 pixels long).
constexpr double kMaxWheelScale = 20.0;
// Zoom factor of one wheel notch.
constexpr double kWheelZoomStep = 1.25;

struct ViewState {
    int32_t centerX = 0;                  // client pixels: x where the world origin is drawn
    int32_t centerY = 0;                  // client pixels: y where the world origin is drawn
    int16_t elevation = 0;                // whole degrees 0..90; 0 top-down, 90 side view
    int16_t azimuth = 270;                // whole degrees 0..359
    double scale = kPlovaneInitialScale;  // pixels per centimetre, never below kMinScale
};

// Placement of the outlines the painters draw (all zero in both programs).
struct ModelPose {
    double x = 0;      // centimetres
    double y = 0;      // centimetres
    double z = 0;      // centimetres
    double roll = 0;   // degrees, rotation about x
    double pitch = 0;  // degrees, rotation about y
    double yaw = 0;    // degrees, rotation about z
};

// Coefficients of WorldToScreen, indexed by whole degrees; filled by BuildTrigTables.
struct TrigTables {
    double cosAz[360];           // cos a
    double negSinAz[360];        // -sin a
    double sinAzCosEl[91][360];  // sin a · cos e, [e][a]
    double cosAzCosEl[91][360];  // cos a · cos e, [e][a]
    double sinEl[91];            // sin e
};

// A world point, centimetres.
struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

// The tables for every whole-degree azimuth 0..359 and elevation 0..90, built on
// first use and never changed.
const TrigTables& trig_tables();

// Initial view for a client area of client.width x client.height pixels: origin at
// (width / 2, (height - 20) / 2), the given zoom, top view (elevation 0, azimuth 270).
void ResetView(ViewState& view, plat::Size client, double initial_scale);

// Builds trig_tables() now rather than at the first projection. Returns 1.
int BuildTrigTables();

// trunc_to_int32 (render/draw.h) converts a double to a 32-bit integer.

// Projects a world point (centimetres) to client pixels with the view and the
// tables: u = trunc(x·cos a − y·sin a), v = trunc(x·sin a·cos e + y·cos a·cos e +
// z·sin e), X = trunc(centerX + u·scale), Y = trunc(centerY − v·scale). Every trunc
// saturates (trunc_to_int32), so far points at high zoom land on the range's edge
// instead of overflowing. Angles outside their ranges are brought into them.
plat::Point WorldToScreen(const ViewState& view, double x, double y, double z);

// Places a model point given in metres: Rz(yaw)·Ry(−pitch)·Rx(−roll)·(100·px, 100·py, 0)
// + (pose x, y, z). Sine and cosine computed directly (not from the tables).
Vec3 LocalToWorld(double px, double py, const ModelPose& pose);

// 1 when the view is tilted (elevation not 0), else 0.
int IsTilted(const ViewState& view);

// After a resize of the client area to `client`: the origin moves where ResetView
// puts it for that size (the middle of the client area, as at start-up); zoom and
// angles stay.
void resize_view(ViewState& view, const plat::Rect& client);

// A turn of the wheel by `delta` (plat::kWheelNotch per notch, positive zooms in)
// with the pointer at client (x, y): the zoom is multiplied by kWheelZoomStep per
// notch (fractions for fine wheels), kept within kMinScale..kMaxWheelScale, and the
// origin moves so that the world point under the pointer stays under it.
void zoom_about(ViewState& view, int delta, int x, int y);

// ---- Drags ---------------------------------------------------------------------------

enum class DragKind { Rotate, Pan, Zoom };  // middle, right, left button

struct DragState {
    int active = 0;      // 1 from button-down to that button's button-up
    int16_t startX = 0;  // mouse position at button-down, client pixels
    int16_t startY = 0;
    int16_t curX = 0;  // mouse position of the latest move served
    int16_t curY = 0;
    // View values at button-down: rotate (azimuth, elevation), pan (centerX, centerY),
    // zoom (trunc(scale × 1000), unused). Kept in 32 bits: a centre panned beyond
    // ±32767 or a zoom beyond 32.767 px/cm would wrap in 16.
    int32_t saved1 = 0;
    int32_t saved2 = 0;
};

struct Drags {
    DragState rotate;  // middle button
    DragState pan;     // right button
    DragState zoom;    // left button
};

// ---- The view record --------------------------------------------------------------------

// The box the user picked to inspect: a trajectory index of the scene's store, or
// one of these.
constexpr int32_t kSelectNone = -1;
constexpr int32_t kSelectEgo = -2;

// What the user inspects and how (the viewer's click selection and its Display items).
struct Inspection {
    int32_t selected = kSelectNone;  // trajectory index, kSelectEgo or kSelectNone
    bool follow = false;             // the selected box is kept at the centre of the view
    bool show_raw = false;           // the samples as read are drawn beside the cleaned
    bool time_from_now = false;      // time heights count from the clock's current time
};

struct View {
    ViewState state;           // the camera
    ModelPose model;           // placement of the outlines (all zero in both programs)
    Drags drags;               // the three mouse drags
    DisplaySettings settings;  // grid, scales, layers (Display Setting)
    int egoCentered = 0;       // 1: trajectories drawn relative to the ego vehicle
    DrawResources res;         // palette, grid pen, grey ramp
    RoleStyle roles;           // role colours and their pens
    Inspection inspect;        // selection, follow, raw samples, time origin
};

// Button-down of a drag at mouse position (x, y) (the signed 16-bit lparam halves):
// the drag becomes active and records the start position and its saved view values.
void begin_drag(View& view, DragKind kind, int x, int y);
// Button-up: clears that drag's active flag only.
void end_drag(View& view, DragKind kind);

// Mouse move to (x, y): serves the first active drag in the order rotate, pan, zoom
// and updates the camera from its start and saved values:
//   rotate: azimuth = (x − start x + saved azimuth) wrapped into 0..359;
//           elevation = saved elevation − (y − start y) / 2 (truncating), clamped 0..90
//   pan:    centerX = x − start x + saved centerX; centerY likewise
//   zoom:   scale = (start y − y + saved zoom) × 0.001, at least kMinScale
// Writes the kind served to *served and returns true; returns false (view unchanged)
// when no drag is active.
bool drag_move(View& view, int x, int y, DragKind* served);

}  // namespace render
