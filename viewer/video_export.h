// Videos of the scene: the viewer's --export-video mode and the File menu's
// "Export Video". The scene is played from a frame to another, one picture per tick
// painted as --export-frames paints it, and the raw pictures are piped to the ffmpeg
// program, which encodes them (H.264 in MP4 with yuv420p; VP9 in WebM for a name
// ending in .webm). The file is written under a temporary name beside the target and
// renamed only when complete (data/atomic_file.h); a missing encoder, a failed encode,
// a full disk or a cancel leave no file.
//
// The encoder is "ffmpeg" found on the PATH (on Windows "ffmpeg.exe", also beside the
// program), or the program the environment variable SCENE_FFMPEG names.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "viewer/plovane.h"

namespace shell {

// Dialog template of the export's progress window (File menu "Export Video").
constexpr int IDD_VIDEO_PROGRESS = 2500;
constexpr int IDC_VIDEO_FILE = 2501;      // the file's name
constexpr int IDC_VIDEO_PROGRESS = 2502;  // "120 of 500 pictures (24 %)"
const plat::DialogTemplate& video_progress_template();

struct VideoRange {
    std::optional<int64_t> from;  // Frame # of the first picture; unset: where the scene is
    std::optional<int64_t> to;    // Frame # of the last picture (included); unset: the end
};

struct VideoJob {
    std::string path;           // the video file
    plat::Size size;            // picture size, pixels
    std::optional<double> fps;  // pictures per second; unset: the scene's recorded pace
    VideoRange range;
};

// Called after each picture with the pictures done and their number; false cancels.
using VideoProgress = std::function<bool(int done, int total)>;

enum class VideoResult { Written, Cancelled, Failed };

// The encoder's rate for a run of pictures: pictures per second as ffmpeg reads
// it ("25", "5/2"). The recorded pace is (pictures - 1) ticks in span_ms; a run
// of one picture, or of no recorded time, plays at 10 per second.
std::string video_rate(std::optional<double> fps, int pictures, int64_t span_ms);

// Plays the scene with the viewer's view (set up by the caller for the size) and
// writes the video. With range.from the clock first moves there as Jump moves it
// (history emptied); the pictures end after range.to or at the scene's end. The
// clock stays after the last picture. On Failed, error says why ("ffmpeg was not
// found ...", "the encoder failed: ..."); the file is then, as on Cancelled, not
// there (a file that was there before stays as it was).
VideoResult write_video(Plovane& viewer, const VideoJob& job, const VideoProgress& progress,
                        std::string& error);

// The --export-video mode: writes the video of the loaded scene with the view the
// picture options set up, a progress line on standard error when it is a terminal.
// 0, or 1 after one line on standard error naming the file.
int run_video_export(Plovane& viewer, const VideoJob& job);

// File menu "Export Video": asks for the file, writes the video from the current
// view and frame to the scene's end with a progress window whose Cancel button
// (or close box) stops it, and puts the clock back where it was. Failures are told
// in a message box.
void export_video_command(Shell& shell, const std::optional<std::string>& path = std::nullopt);

}  // namespace shell
