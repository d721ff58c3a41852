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

#include <cstdint>
#include <functional>
#include <vector>

#include "data/geometry.h"
#include "data/traj_store.h"
#include "platform/platform.h"

namespace render {

// ---- History ---------------------------------------------------------------------------

constexpr int kHistorySize = 5000;
constexpr int32_t kEgoOwner = -1;  // owner of an ego entry

// Every box the painter draws, latest kHistorySize kept. In an entry, ego_x, ego_y,
// ego_head_x and ego_head_y hold the plane position and heading the box was drawn
// at. An ego entry has time_ms, that position and heading, length and width; its
// other fields are zero.
struct HistoryRing {
    TrajPoint boxes[kHistorySize];  // the boxes drawn; entry k in slot k mod kHistorySize
    int32_t owners[kHistorySize];   // trajectory index of each box, kEgoOwner for the ego car
    int32_t appended = 0;           // entries appended since the last clear (see append)
};

// The program's ring. Mutable for tests and tools; the painter is its only writer.
HistoryRing& history_ring();
// Appends one entry and returns it. appended never overflows: past a large multiple
// of kHistorySize it steps back by whole rings and keeps counting a full ring.
TrajPoint& history_append(const TrajPoint& box, int32_t owner);
// Number of entries draw_history draws: min(appended, kHistorySize).
int history_size();
// Slot of the n-th drawn entry, n = 0 the oldest.
int history_slot(int n);

// current_frame of the latest paint that drew trajectory index i; 0 for an index
// never drawn or outside the table. The table is zero at start-up and grows to the
// loaded file's entry_count (never shrinks, never cleared but by start-up).
int32_t last_drawn(int32_t index);
std::size_t last_drawn_size();

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
void draw_car(plat::Dc dc, const Vec2 (&body)[4], Vec2 centre, const Vec2 (&wheels)[4][4], double f,
              double z, plat::Pen body_pen, plat::Brush body_brush);

// ---- Painting --------------------------------------------------------------------------

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
// SHOW_TIME_SERIES is set), every visible sample's box (appended to the history)
// and the ego car (appended too). Without a pose track or trajectories the history
// is left alone. A client size of zero in either direction draws nothing. Creates
// nothing but the off-screen context and bitmap.
void paint_scene(plat::Dc target, plat::Size client);

// The history entries oldest first, each at the time height of its own time:
// ego entries in the ego pen and brush (role colours on) or palette 4; boxes of
// trajectory i, unless drawHistory is 0 and i was last drawn more than 3 frames
// from current_frame, in the grey-ramp pen of their speed (role colours on) or
// frame (off), filled black. Selects into dc and leaves its selection changed.
void draw_history(plat::Dc dc);

// Start-up of the renderer, once, while the main window is created: the viewer's
// display-setting defaults, the drawing resources, the zero model pose, the role
// colours from "trajcolset.ini", the per-trajectory table zeroed. The history is
// emptied.
void renderer_startup();
// Deletes the drawing resources, then the role-colour pens and brush. Safe to call
// without a start-up and twice.
void renderer_shutdown();

// Empties the history ring (entries stay in memory but are no longer drawn).
void clear_history();

}  // namespace render
