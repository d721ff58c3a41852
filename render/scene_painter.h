// The scene painter of the viewer: grid, axes, the history of earlier boxes (the
// "Time Serials" view), every vehicle visible at the current frame and the ego car,
// painted off screen and copied to the window in one step. Also the renderer's
// start-up and shutdown.
//
// Frames: in the origin frame (the default) everything is placed relative to the
// scene origin (data/pose_track.h), a point p at R(-h_o)·(p - o); in the ego-centred
// frame the ego car stands unrotated at the plane origin and the other vehicles at
// the ego-frame positions of their samples. Shapes are in metres with x across and y
// along the vehicle; every x is stretched by yxFactor before it is placed. Something
// at time t stands at the time height (t - t0) / msPerMeter, t0 being the time of
// the scene start pose.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "data/geometry.h"
#include "data/history.h"
#include "data/traj_store.h"
#include "platform/platform.h"

struct Scene;

namespace render {

struct View;

// ---- History ---------------------------------------------------------------------------

// Grey-ramp pen index for a shade fraction d: (1 - d)·256 cut toward zero, clamped
// to 0..255 (0 white, 255 black). NaN gives 255.
int grey_ramp_index(double d);
// The fraction of a history box by speed, (speed - min) / (max - min) clamped to 0..1;
// with max equal to min, 0 at or below min and 1 above.
double speed_fraction(double speed, double speedmin, double speedmax);
// The fraction by frame, (frame - min_frame + 1) / (max_frame - min_frame + 1), not
// clamped (0 when the range is empty).
double frame_fraction(int32_t frame, int32_t min_frame, int32_t max_frame);

// ---- The ego car -----------------------------------------------------------------------

// Vehicle frame, metres; (0, 0) is the reference point of the ego pose.
constexpr Vec2 kEgoBody[4] = {{-0.421, 2.928}, {-0.421, -1.272}, {1.429, -1.272}, {1.429, 2.928}};
constexpr Vec2 kEgoCentre = {0.504, 0.828};
constexpr Vec2 kEgoWheels[4][4] = {
    {{-0.371, -0.572}, {-0.371, 0.228}, {0.029, 0.228}, {0.029, -0.572}},  // -x side, rear
    {{-0.371, 1.428}, {-0.371, 2.228}, {0.029, 2.228}, {0.029, 1.428}},    // -x side, front
    {{1.029, -0.572}, {1.029, 0.228}, {1.429, 0.228}, {1.429, -0.572}},    // +x side, rear
    {{1.029, 1.428}, {1.029, 2.228}, {1.429, 2.228}, {1.429, 1.428}},      // +x side, front
};
constexpr double kEgoLength = 4.2;   // metres
constexpr double kEgoWidth = 1.85;   // metres
constexpr int kEgoMarkerRadius = 4;  // pixels

// The car drawing: body (outlined and filled with body_pen and body_brush), the
// centre marker (palette 1) and the wheels (palette 1 outlines, filled black), each
// x stretched by f, at time height z. The points are those of kEgoBody, kEgoCentre
// and kEgoWheels, placed as the caller wants them.
void draw_car(plat::Dc dc, const View& view, const Vec2 (&body)[4], Vec2 centre,
              const Vec2 (&wheels)[4][4], double f, double z, plat::Pen body_pen,
              plat::Brush body_brush);

// ---- Painting --------------------------------------------------------------------------

// Where a box is drawn: its four plane corners and its centre (metres, x stretched
// by yxFactor, as draw_shape takes them) at time height z.
struct BoxOutline {
    std::array<Vec2, 4> corners;
    Vec2 centre;
    double z = 0;
};
// The outline paint_scene draws for sample s (a visible sample of the scene).
BoxOutline sample_outline(const Scene& scene, const View& view, const TrajPoint& s);
// The ego car's body as paint_scene draws it, for the pose cursor; centre is the
// car's centre marker.
BoxOutline ego_outline(const Scene& scene, const View& view);

// Paints the whole client area (client.width x client.height pixels) through an
// off-screen picture copied to target in one block copy, so that the window never
// shows half a picture. The picture starts black, with the stock black pen and
// brush selected and a transparent text background; draw paints it. Nothing is
// drawn for a zero size. Creates nothing but the off-screen context and bitmap.
void paint_off_screen(plat::Dc target, plat::Size client,
                      const std::function<void(plat::Dc)>& draw);

// Paints the whole client area (client.width x client.height pixels) into `target`
// through an off-screen picture copied once at the end: grid and axes as switched
// on; then, with a pose track and trajectories loaded, the history (when
// SHOW_TIME_SERIES is set), every visible sample's box and the ego car. The
// selected box (view.inspect) and its history are outlined in the highlight pen;
// with show_raw each visible sample's box as read follows its cleaned box in the
// raw pen, unfilled. With time_from_now, time heights count from current_time
// instead of the time of the scene start pose. Reads the
// scene and the view and changes neither: recording what was drawn is
// record_history's. A client size of zero in either direction draws nothing.
// Creates nothing but the off-screen context and bitmap.
void paint_scene(const Scene& scene, const View& view, plat::Dc target, plat::Size client);

// What paint_scene draws, straight into dc (the caller's off-screen picture), so
// that a program can draw more over the scene before the copy. With the picture's
// size, boxes that lie wholly beyond it (their pens' reach included) are not drawn:
// a city's vehicles off the picture cost only their projection. Without it (size
// {0, 0}) every box is drawn.
void draw_scene(plat::Dc dc, const Scene& scene, const View& view, plat::Size picture = {});

// The client rectangle around a sample's box as paint_scene draws it at the sample's
// time height (right and bottom exclusive).
plat::Rect sample_screen_bounds(const Scene& scene, const View& view, const TrajPoint& sample);

// After a paint: appends the boxes paint_scene drew at the scene's current frame
// (every visible sample, then the ego car, each at the plane position it was drawn
// at) to the scene's history and marks their trajectories drawn at this frame, once
// per frame the clock moved to (Scene::frame_serial): a repaint of the same frame
// appends nothing. Nothing without a pose track or trajectories. True when it
// appended.
bool record_history(Scene& scene, const View& view);

// The history entries oldest first, each at the time height of its own time:
// ego entries in the ego pen and brush (role colours on) or palette 4; boxes of
// trajectory i, unless drawHistory is 0 and i was last drawn more than 3 frames
// from current_frame, in the grey-ramp pen of their speed (role colours on) or
// frame (off), filled black. Selects into dc and leaves its selection changed.
void draw_history(plat::Dc dc, const Scene& scene, const View& view);

// Start-up of the viewer's renderer, once, while the main window is created: the
// viewer's display-setting defaults, ego-centred off, the drawing resources, the
// zero model pose, the role colours from "trajcolset.ini".
void renderer_startup(View& view);
// Deletes the drawing resources, then the role-colour pens and brush. Safe to call
// without a start-up and twice.
void renderer_shutdown(View& view);

}  // namespace render
