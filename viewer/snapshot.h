// Pictures of the scene without a window: the viewer's --snapshot and
// --export-frames modes. The loaded scene is replayed as playback replays it (a
// step of the clock, then a paint, so the history fills as on screen) and the
// client-area picture is written as PNG: the last one (--snapshot), or one per step
// (--export-frames, numbered for a video encoder).
//
//   --snapshot OUT.png      write the picture after the last step
//   --export-frames DIR     write DIR/frame_00001.png ... one per step (needs --steps)
//   --steps N               clock steps, each followed by a paint (default 0)
//   --size WxH              client area in pixels (default 960x640)
//   --elevation DEG         view tilt, 0 (top view) .. 90
//   --azimuth DEG           view turn, whole degrees (default 270)
//   --scale S               zoom in pixels per centimetre (default 0.045)
//   --ego-centered          draw in the ego vehicle's frame
//   --no-time-series        no history of earlier boxes
//   --traj-id               trajectory ids beside the boxes
//   --export-video OUT.mp4  a video of the scene (viewer/video_export.h), with
//   --fps N, --from FRAME, --to FRAME  its pace and its first and last Frame #
//   --select ID             the box of trajectory ID (or "ego") in the highlight pen
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/command_line.h"
#include "platform/platform.h"
#include "viewer/plovane.h"

namespace shell {

struct SnapshotOptions {
    std::string png_path;          // --snapshot: file written after the last step ("" none)
    std::string frames_dir;        // --export-frames: folder of the numbered pictures ("" none)
    int steps = 0;                 // clock steps, each followed by a paint
    plat::Size size{960, 640};     // client area, pixels
    std::optional<int> elevation;  // degrees 0..90; unset: 0
    std::optional<int> azimuth;    // degrees, any whole number (wrapped); unset: 270
    std::optional<double> scale;   // pixels per centimetre, > 0; unset: the viewer's
    bool ego_centered = false;     // --ego-centered
    bool time_series = true;       // cleared by --no-time-series
    bool traj_id = false;          // --traj-id
    std::string video_path;        // --export-video: the video file ("" none)
    std::optional<double> fps;     // --fps: pictures per second of the video
    std::optional<int64_t> from;   // --from: Frame # of the video's first picture
    std::optional<int64_t> to;     // --to: Frame # of its last picture (included)
    std::string select;            // --select: a trajectory id or "ego" ("" none)
    bool given = false;            // one of the options above was given
};

// Appends the options above to a command line's table; each fills options when
// given (a missing or malformed value, or an option given twice, is refused by the
// parser with a one-line reason).
void add_snapshot_options(std::vector<cli::Option>& table, SnapshotOptions& options);
// Whether the options ask for pictures at all.
inline bool snapshot_requested(const SnapshotOptions& o) {
    return !o.png_path.empty() || !o.frames_dir.empty() || !o.video_path.empty();
}
// Checks the combination; false with error set when --export-frames has no steps
// or another of the options is given without --snapshot or --export-frames; the
// video's options go only with --export-video, which goes without --steps and the
// other two.
bool check_snapshot_options(const SnapshotOptions& options, std::string& error);

// Renders the pictures. The platform must run with canvases (Qt canvas-only, or
// headless with the Qt back end registered for PNG output) and the files must be
// loaded into the viewer's scene already. Starts the viewer's renderer as the window
// would (display defaults, the role colours from "trajcolset.ini" in the current
// directory; the scene's clock settings are kept), applies the options, paints,
// steps and writes. Returns 0, or 1 after a line on standard error when a picture
// cannot be made or written. With --export-video, writes the video instead
// (run_video_export).
int run_snapshot(Plovane& viewer, const SnapshotOptions& options);

}  // namespace shell
