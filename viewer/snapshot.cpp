#include "viewer/snapshot.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <string_view>
#include <system_error>

#include "data/number_text.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "render/display_settings.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "viewer/dataset_open.h"
#include "viewer/plovane_playback.h"
#include "viewer/selection.h"
#include "viewer/video_export.h"

namespace shell {

using namespace render;

namespace {

constexpr int kMaxPictureSide = 8192;  // pixels; a picture of 8192 x 8192 takes 256 MiB

bool parse_size(std::string_view text, plat::Size& size) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    int w = 0, h = 0;
    if (!parse_whole_int(text.substr(0, x), w) || !parse_whole_int(text.substr(x + 1), h))
        return false;
    if (w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide) return false;
    size = plat::Size{w, h};
    return true;
}

// Writes the canvas to path whole or not at all: a failed write leaves the picture
// that was there. A failure is told on standard error ("plovane: cannot write
// <path>: write failed: No space left on device").
bool write_png(plat::Dc canvas, const std::string& path) {
    std::string error;
    if (plat::save_canvas_png(canvas, path, &error)) return true;
    std::fprintf(stderr, "plovane: cannot write %s\n", error.c_str());
    return false;
}

std::string frame_path(const std::string& dir, int step) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05d.png", step);
    return (std::filesystem::u8path(dir) / name).u8string();
}

}  // namespace

void add_snapshot_options(std::vector<cli::Option>& table, SnapshotOptions& o) {
    // Each option marks the record as asked for pictures, or refuses its value.
    auto picture = [&o](std::string_view name, auto take) {
        return cli::value(name, [&o, take](std::string_view v) {
            o.given = true;
            return take(v);
        });
    };
    auto picture_flag = [&o](std::string_view name, bool& target, bool value) {
        return cli::flag(name, [&o, &target, value] {
            o.given = true;
            target = value;
        });
    };
    auto whole = [](std::string_view v, int& target, int low, int high, const char* what) {
        int n = 0;
        if (!parse_whole_int(v, n) || n < low || n > high) return std::string(what);
        target = n;
        return std::string();
    };
    auto frame = [&picture](std::string_view name, std::optional<int64_t>& target) {
        return picture(name, [&target](std::string_view v) {
            int n = 0;
            if (!parse_whole_int(v, n)) return std::string("a frame number");
            target = n;
            return std::string();
        });
    };
    constexpr int kAny = std::numeric_limits<int>::max();
    const cli::Option options[] = {
        picture("--snapshot",
                [&o](std::string_view v) {
                    if (v.empty()) return std::string("a file name");
                    o.png_path = std::string(v);
                    return std::string();
                }),
        picture("--export-frames",
                [&o](std::string_view v) {
                    if (v.empty()) return std::string("a folder");
                    o.frames_dir = std::string(v);
                    return std::string();
                }),
        picture("--steps",
                [&o, whole](std::string_view v) {
                    return whole(v, o.steps, 0, kAny, "an integer of at least 0");
                }),
        picture("--size",
                [&o](std::string_view v) {
                    return parse_size(v, o.size) ? std::string()
                                                 : std::string("WxH, each 1 to 8192");
                }),
        picture("--elevation",
                [&o, whole](std::string_view v) {
                    int n = 0;
                    std::string needed = whole(v, n, 0, 90, "whole degrees 0 to 90");
                    if (needed.empty()) o.elevation = n;
                    return needed;
                }),
        picture("--azimuth",
                [&o, whole](std::string_view v) {
                    int n = 0;
                    std::string needed = whole(v, n, -kAny - 1, kAny, "whole degrees");
                    if (needed.empty()) o.azimuth = n;
                    return needed;
                }),
        picture("--scale",
                [&o](std::string_view v) {
                    double r = 0;
                    if (!parse_whole_real(v, r) || !(r > 0) || r > 1e6)
                        return std::string("a number above 0");
                    o.scale = r;
                    return std::string();
                }),
        picture("--export-video",
                [&o](std::string_view v) {
                    if (v.empty()) return std::string("a file name");
                    o.video_path = std::string(v);
                    return std::string();
                }),
        picture("--fps",
                [&o](std::string_view v) {
                    double r = 0;
                    if (!parse_whole_real(v, r) || !(r >= 0.001) || r > 1000)
                        return std::string("a number from 0.001 to 1000");
                    o.fps = r;
                    return std::string();
                }),
        frame("--from", o.from),
        frame("--to", o.to),
        picture_flag("--ego-centered", o.ego_centered, true),
        picture_flag("--no-time-series", o.time_series, false),
        picture_flag("--traj-id", o.traj_id, true),
        picture("--select",
                [&o](std::string_view v) {
                    if (v.empty()) return std::string("a trajectory id or ego");
                    o.select = std::string(v);
                    return std::string();
                }),
    };
    table.insert(table.end(), std::begin(options), std::end(options));
}

bool check_snapshot_options(const SnapshotOptions& o, std::string& error) {
    if (o.given && !snapshot_requested(o)) {
        error = "picture options need --snapshot, --export-frames or --export-video";
        return false;
    }
    if (o.video_path.empty() && (o.fps || o.from || o.to)) {
        error = "--fps, --from and --to need --export-video";
        return false;
    }
    if (!o.video_path.empty() && (!o.png_path.empty() || !o.frames_dir.empty() || o.steps != 0)) {
        error = "--export-video goes without --snapshot, --export-frames and --steps";
        return false;
    }
    if (o.from && o.to && *o.to < *o.from) {
        error = "--to names a frame before --from";
        return false;
    }
    if (!o.frames_dir.empty() && o.steps < 1) {
        error = "--export-frames needs --steps of at least 1";
        return false;
    }
    return true;
}

int run_snapshot(Plovane& viewer, const SnapshotOptions& o) {
    View& view = viewer.view;
    render::renderer_startup(view);
    if (viewer.dataset_roles) apply_dataset_roles(view.roles, *viewer.dataset_roles);
    DisplaySettings& s = view.settings;
    if (!o.time_series) s.flags &= ~SHOW_TIME_SERIES;
    if (o.traj_id) s.flags |= SHOW_TRAJ_ID;
    view.egoCentered = o.ego_centered ? 1 : 0;
    if (!o.select.empty() &&
        !selection_index(viewer.scene.store, o.select, view.inspect.selected)) {
        std::fprintf(stderr, "plovane: --select: no trajectory %s\n", o.select.c_str());
        renderer_shutdown(view);
        return 1;
    }
    ResetView(view.state, o.size, o.scale.value_or(kPlovaneInitialScale));
    BuildTrigTables();
    if (o.elevation) view.state.elevation = static_cast<int16_t>(*o.elevation);
    if (o.azimuth) view.state.azimuth = static_cast<int16_t>(((*o.azimuth % 360) + 360) % 360);

    if (!o.video_path.empty()) {
        VideoJob job;
        job.path = o.video_path;
        job.size = o.size;
        job.fps = o.fps;
        job.range = VideoRange{o.from, o.to};
        const int status = run_video_export(viewer, job);
        renderer_shutdown(view);
        return status;
    }

    if (!o.frames_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::u8path(o.frames_dir), ec);
        if (ec) {
            std::fprintf(stderr, "plovane: cannot make the folder %s: %s\n", o.frames_dir.c_str(),
                         ec.message().c_str());
            renderer_shutdown(view);
            return 1;
        }
    }

    int status = 0;
    plat::Dc canvas;
    auto paint_picture = [&]() {
        plat::delete_dc(canvas);
        canvas = plat::create_canvas(o.size.width, o.size.height);
        if (!canvas) {
            std::fprintf(stderr, "plovane: cannot make a picture of %dx%d pixels\n", o.size.width,
                         o.size.height);
            return false;
        }
        paint_scene(viewer.scene, view, canvas, o.size);
        record_history(viewer.scene, view);
        return true;
    };
    bool ok = paint_picture();
    for (int step = 1; ok && step <= o.steps; ++step) {
        plovane_tick(viewer);
        ok = paint_picture();
        if (ok && !o.frames_dir.empty()) {
            const std::string path = frame_path(o.frames_dir, step);
            // The first picture that cannot be written ends the run.
            if (!write_png(canvas, path)) ok = false;
        }
    }
    if (ok && !o.png_path.empty() && !write_png(canvas, o.png_path)) ok = false;
    if (!ok) status = 1;
    plat::delete_dc(canvas);
    renderer_shutdown(view);
    return status;
}

}  // namespace shell
