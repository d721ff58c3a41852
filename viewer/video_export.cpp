#include "viewer/video_export.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <vector>

#include "data/atomic_file.h"
#include "data/child_process.h"
#include "data/number_text.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "viewer/plovane_playback.h"

namespace shell {

namespace {

constexpr double kDefaultFps = 10;
constexpr double kMaxFps = 1000;

plat::DialogTemplate make_template() {
    plat::DialogTemplate t;
    t.id = IDD_VIDEO_PROGRESS;
    t.title = "Export Video";
    t.cx = 180;
    t.cy = 62;
    t.font = "MS Shell Dlg";
    t.point_size = 8;
    t.visible = true;
    t.controls = {
        {plat::ControlKind::Label, IDC_VIDEO_FILE, "", 7, 7, 166, 8, plat::CS_NONE},
        {plat::ControlKind::Label, IDC_VIDEO_PROGRESS, "", 7, 22, 166, 8, plat::CS_NONE},
        {plat::ControlKind::DefaultButton, plat::IDCANCEL, "Cancel", 65, 40, 50, 14,
         plat::CS_TABSTOP},
    };
    return t;
}

// Frame # is current_frame: the clock moves there as Jump moves it.
int64_t frame_number(const Scene& scene) {
    return scene.store.current_frame;
}

void move_to_frame(Scene& scene, int64_t frame) {
    if (frame < scene.store.current_frame) {
        rewind_scene(scene);
        seek_scene(scene, scene.store.min_time);
    }
    while (scene.store.current_frame < frame)
        if (!step_scene(scene)) break;
    clear_history(scene.history);
}

// One tick as playback takes it, without its wrap-around: false at the scene's end.
bool next_tick(Scene& scene) {
    return step_scene(scene) && scene.store.current_time <= scene.store.max_time;
}

// The pictures from where the clock is to range.to or the end, and the recorded
// time they span; the clock is left after the last one.
void count_pictures(Scene& scene, const VideoRange& range, int& pictures, int64_t& span_ms) {
    const int32_t start = scene.store.current_time;
    pictures = 1;
    int32_t last = start;
    while (pictures < std::numeric_limits<int>::max() && next_tick(scene) &&
           (!range.to || frame_number(scene) <= *range.to)) {
        ++pictures;
        last = scene.store.current_time;
    }
    span_ms = static_cast<int64_t>(last) - start;
}

std::string file_name(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ends_with(const std::string& text, const char* suffix) {
    const std::string s(suffix);
    if (text.size() < s.size()) return false;
    std::string tail = text.substr(text.size() - s.size());
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == s;
}

// The encoder's program: the one SCENE_FFMPEG names, else ffmpeg.
std::string encoder_name() {
    const char* named = std::getenv("SCENE_FFMPEG");
    return named && *named ? named : "ffmpeg";
}

std::string encoder_missing_text() {
    if (encoder_name() != "ffmpeg") return "the encoder " + encoder_name() + " was not found";
#ifdef _WIN32
    const std::string folder = os_process::program_folder();
    return "ffmpeg.exe was not found: put it beside the program" +
           (folder.empty() ? std::string() : " (" + folder + ")") + " or in a folder of the PATH";
#else
    return "ffmpeg was not found on the PATH (install the ffmpeg package)";
#endif
}

std::vector<std::string> encoder_arguments(const VideoJob& job, const std::string& rate,
                                           const std::string& output) {
    const int w = job.size.width, h = job.size.height;
    std::vector<std::string> a = {
        "-hide_banner", "-loglevel",   "error",
        "-f",           "rawvideo",    "-pix_fmt",
        "bgr0",         "-video_size", format_int(w) + "x" + format_int(h),
        "-framerate",   rate,          "-i",
        "pipe:0"};
    // The yuv420p pixel format halves the colour resolution: an odd side gets one
    // black row or column.
    if (w % 2 != 0 || h % 2 != 0) a.insert(a.end(), {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2"});
    if (ends_with(job.path, ".webm")) {
        a.insert(a.end(),
                 {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-row-mt", "1",
                  "-b:v", "0", "-crf", "32", "-pix_fmt", "yuv420p", "-f", "webm"});
    } else {
        a.insert(a.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt",
                           "yuv420p", "-movflags", "+faststart", "-f", "mp4"});
    }
    a.insert(a.end(), {"-y", output});
    return a;
}

// Picture by picture into the encoder, which writes temp. False with error set (or
// cancelled set) when the video is not complete.
bool encode(Plovane& viewer, const VideoJob& job, const std::string& encoder, int pictures,
            const std::string& rate, const VideoProgress& progress, const std::string& temp,
            bool& cancelled, std::string& error) {
    os_process::PipedChild child;
    if (!child.start(encoder, encoder_arguments(job, rate, temp), error)) {
        error = "cannot start " + encoder + ": " + error;
        return false;
    }
    std::vector<std::uint32_t> pixels;
    plat::Dc canvas;
    bool ok = true;
    for (int done = 0; ok && done < pictures; ++done) {
        if (done > 0 && !next_tick(viewer.scene)) break;
        plat::delete_dc(canvas);
        canvas = plat::create_canvas(job.size.width, job.size.height);
        if (!canvas) {
            error = "cannot make a picture of " + format_int(job.size.width) + "x" +
                    format_int(job.size.height) + " pixels";
            ok = false;
            break;
        }
        render::paint_scene(viewer.scene, viewer.view, canvas, job.size);
        render::record_history(viewer.scene, viewer.view);
        if (!plat::canvas_pixels(canvas, pixels)) {
            error = "cannot read the picture";
            ok = false;
        } else if (!child.write(pixels.data(), pixels.size() * sizeof pixels[0])) {
            ok = false;  // the encoder ended early: finish() tells why
        } else if (progress && !progress(done + 1, pictures)) {
            cancelled = true;
            ok = false;
        }
    }
    plat::delete_dc(canvas);
    if (cancelled || !error.empty()) {
        child.kill();
        return false;
    }
    std::string last_error;
    const int status = child.finish(last_error);
    if (status != 0 || !ok) {
        error = "the encoder failed" + (last_error.empty() ? std::string() : ": " + last_error);
        return false;
    }
    return true;
}

}  // namespace

const plat::DialogTemplate& video_progress_template() {
    static const plat::DialogTemplate t = make_template();
    return t;
}

std::string video_rate(std::optional<double> fps, int pictures, int64_t span_ms) {
    if (fps) {
        // Whole thousandths, as a fraction the encoder keeps exactly.
        const auto milli =
            static_cast<int64_t>(std::llround(std::clamp(*fps, 0.001, kMaxFps) * 1000));
        const int64_t g = std::gcd(milli, int64_t{1000});
        return g == 1000 ? format_int(milli / 1000)
                         : format_int(milli / g) + "/" + format_int(1000 / g);
    }
    if (pictures < 2 || span_ms <= 0) return format_int(static_cast<int64_t>(kDefaultFps));
    // (pictures - 1) ticks in span_ms: (pictures - 1) * 1000 / span_ms per second.
    int64_t num = static_cast<int64_t>(pictures - 1) * 1000, den = span_ms;
    const int64_t g = std::gcd(num, den);
    num /= g, den /= g;
    if (num > den * static_cast<int64_t>(kMaxFps)) return format_int(static_cast<int64_t>(kMaxFps));
    return den == 1 ? format_int(num) : format_int(num) + "/" + format_int(den);
}

VideoResult write_video(Plovane& viewer, const VideoJob& job, const VideoProgress& progress,
                        std::string& error) {
    error.clear();
    Scene& scene = viewer.scene;
    const std::string encoder = os_process::find_program(encoder_name());
    if (encoder.empty()) {
        error = encoder_missing_text();
        return VideoResult::Failed;
    }
    if (job.range.from) move_to_frame(scene, *job.range.from);
    const int64_t first = frame_number(scene);
    if (job.range.to && *job.range.to < first) {
        error = "the first picture would be Frame # " + format_int(first) + ", after the last (" +
                format_int(*job.range.to) + ")";
        return VideoResult::Failed;
    }
    int pictures = 0;
    int64_t span_ms = 0;
    count_pictures(scene, job.range, pictures, span_ms);
    move_to_frame(scene, first);
    const std::string rate = video_rate(job.fps, pictures, span_ms);

    bool cancelled = false;
    std::string failure;
    const bool written = write_file_atomically(
        job.path,
        [&](const std::string& temp) {
            return encode(viewer, job, encoder, pictures, rate, progress, temp, cancelled, failure);
        },
        &error);
    if (written) return VideoResult::Written;
    if (cancelled) return VideoResult::Cancelled;
    if (!failure.empty()) error = failure;
    return VideoResult::Failed;
}

// ---- the command line ------------------------------------------------------------------

int run_video_export(Plovane& viewer, const VideoJob& job) {
    const bool terminal = isatty(fileno(stderr)) != 0;
    int width = 0;
    int shown = -1;
    VideoProgress line;
    if (terminal) {
        line = [&](int done, int total) {
            const int percent = static_cast<int>(static_cast<int64_t>(done) * 100 / total);
            if (percent != shown || done == total) {
                shown = percent;
                width = std::fprintf(stderr, "\rExporting %s: %d of %d pictures (%d%%)",
                                     file_name(job.path).c_str(), done, total, percent);
                std::fflush(stderr);
            }
            return true;
        };
    }
    std::string error;
    const VideoResult result = write_video(viewer, job, line, error);
    if (width > 0) std::fprintf(stderr, "\r%*s\r", width, "");
    if (result == VideoResult::Written) return 0;
    std::fprintf(stderr, "plovane: cannot write %s: %s\n", job.path.c_str(), error.c_str());
    return 1;
}

// ---- the window ------------------------------------------------------------------------

namespace {

bool is_input(unsigned message) {
    return message == plat::WM_COMMAND || message == plat::WM_CLOSE ||
           (message >= plat::WM_KEYDOWN && message <= plat::WM_CHAR) ||
           (message >= plat::WM_MOUSEMOVE && message <= plat::WM_MOUSEWHEEL);
}

// The export holds the thread: between pictures the progress window's Cancel
// button, close box and Escape stop it, paints and the toolkit's own messages go
// through, and other input (menus, keys, clicks on the scene) is dropped, so that
// nothing moves the clock meanwhile.
bool keep_going(plat::Hwnd dialog) {
    plat::Msg msg;
    while (plat::peek_message(msg)) {
        if (msg.message == plat::WM_QUIT) {
            plat::post_quit_message(static_cast<int>(msg.wparam));
            return false;
        }
        if (msg.hwnd == dialog && msg.message == plat::WM_COMMAND &&
            plat::loword(msg.wparam) == plat::IDCANCEL)
            return false;
        if (msg.hwnd == dialog && msg.message == plat::WM_CLOSE) return false;
        if (msg.message == plat::WM_KEYDOWN && msg.wparam == plat::VK_ESCAPE) return false;
        if (is_input(msg.message)) continue;
        plat::translate_message(msg);
        plat::dispatch_message(msg);
    }
    return true;
}

// The window only shows; the export loop reads its Cancel button.
bool progress_proc(plat::Hwnd, unsigned message, plat::WPARAM, plat::LPARAM) {
    return message == plat::WM_INITDIALOG || message == plat::WM_CLOSE ||
           message == plat::WM_COMMAND;
}

plat::FileDialogOptions video_dialog_options() {
    plat::FileDialogOptions o;
    o.title = "Export Video";
    o.filters = {{"MP4 video(*.mp4)", "*.mp4"}, {"WebM video(*.webm)", "*.webm"}};
    o.file_name = "scene.mp4";
    o.must_exist = false;
    return o;
}

}  // namespace

void export_video_command(Shell& shell, const std::optional<std::string>& path) {
    Plovane& viewer = plovane_of(shell);
    const plat::Hwnd main = shell.app.mainWindow;
    if (!scene_ready(shell.scene)) {
        plat::message_box(main, "Load a scene (Ego and Mov) before exporting a video.",
                          "Export Video");
        return;
    }
    if (os_process::find_program(encoder_name()).empty()) {
        plat::message_box(main, "Cannot export a video: " + encoder_missing_text() + ".",
                          "Export Video");
        return;
    }
    const std::optional<std::string> chosen =
        path ? path : plat::save_file_dialog(main, video_dialog_options());
    if (!chosen) return;
    std::string target = *chosen;
    if (!ends_with(target, ".mp4") && !ends_with(target, ".webm") && !ends_with(target, ".m4v"))
        target += ".mp4";

    VideoJob job;
    job.path = target;
    job.size = plat::get_client_size(main);
    job.range.from = frame_number(shell.scene);
    const int64_t back_to = *job.range.from;

    const plat::Hwnd dialog = plat::create_dialog(IDD_VIDEO_PROGRESS, main, &progress_proc);
    plat::set_dlg_item_text(dialog, IDC_VIDEO_FILE, file_name(target));
    const plat::Hcursor previous = plat::set_cursor(plat::load_cursor(plat::StdCursor::Wait));
    int shown = -1;
    const VideoProgress progress = [&](int done, int total) {
        const int percent = static_cast<int>(static_cast<int64_t>(done) * 100 / total);
        if (percent != shown) {
            shown = percent;
            plat::set_dlg_item_text(dialog, IDC_VIDEO_PROGRESS,
                                    format_int(done) + " of " + format_int(total) + " pictures (" +
                                        format_int(percent) + " %)");
        }
        return keep_going(dialog);
    };
    std::string error;
    const VideoResult result = write_video(viewer, job, progress, error);
    plat::destroy_window(dialog);
    plat::set_cursor(previous);
    jump_to_frame(shell, back_to);
    if (result == VideoResult::Failed)
        plat::message_box(main, "Cannot write " + target + ": " + error, "Export Video");
}

}  // namespace shell
