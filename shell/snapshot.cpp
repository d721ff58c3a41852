#include "shell/snapshot.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "data/atomic_file.h"
#include "data/number_text.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "render/display_settings.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "shell/plovane_playback.h"

namespace shell {

using namespace render;

namespace {

enum GivenBit : unsigned {
    kSnapshot = 1u << 0,
    kFrames = 1u << 1,
    kSteps = 1u << 2,
    kSize = 1u << 3,
    kElevation = 1u << 4,
    kAzimuth = 1u << 5,
    kScale = 1u << 6,
    kEgoCentered = 1u << 7,
    kNoTimeSeries = 1u << 8,
    kTrajId = 1u << 9,
};

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

// Writes the canvas to path atomically: a failed write leaves no partial picture.
bool write_png(plat::Dc canvas, const std::string& path) {
    return write_file_atomically(
        path, [canvas](const std::string& temp) { return plat::save_canvas_png(canvas, temp); });
}

std::string frame_path(const std::string& dir, int step) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05d.png", step);
    return (std::filesystem::u8path(dir) / name).u8string();
}

}  // namespace

int parse_snapshot_option(int argc, char** argv, int& a, SnapshotOptions& o, std::string& error) {
    const std::string_view arg = argv[a];
    struct Known {
        std::string_view name;
        unsigned bit;
        bool takes_value;
    };
    static constexpr Known kKnown[] = {
        {"--snapshot", kSnapshot, true},
        {"--export-frames", kFrames, true},
        {"--steps", kSteps, true},
        {"--size", kSize, true},
        {"--elevation", kElevation, true},
        {"--azimuth", kAzimuth, true},
        {"--scale", kScale, true},
        {"--ego-centered", kEgoCentered, false},
        {"--no-time-series", kNoTimeSeries, false},
        {"--traj-id", kTrajId, false},
    };
    const Known* known = nullptr;
    for (const Known& k : kKnown)
        if (k.name == arg) known = &k;
    if (!known) return 0;
    if (o.given & known->bit) {
        error = std::string(arg) + " given twice";
        return -1;
    }
    o.given |= known->bit;
    std::string_view value;
    if (known->takes_value) {
        if (a + 1 >= argc) {
            error = std::string(arg) + " needs a value";
            return -1;
        }
        value = argv[++a];
    }
    auto refuse = [&](const char* what) {
        error = std::string(arg) + " needs " + what + ", not '" + std::string(value) + "'";
        return -1;
    };
    int n = 0;
    double r = 0;
    switch (known->bit) {
        case kSnapshot:
            if (value.empty()) return refuse("a file name");
            o.png_path = std::string(value);
            break;
        case kFrames:
            if (value.empty()) return refuse("a folder");
            o.frames_dir = std::string(value);
            break;
        case kSteps:
            if (!parse_whole_int(value, n) || n < 0) return refuse("an integer of at least 0");
            o.steps = n;
            break;
        case kSize:
            if (!parse_size(value, o.size)) return refuse("WxH, each 1 to 8192");
            break;
        case kElevation:
            if (!parse_whole_int(value, n) || n < 0 || n > 90)
                return refuse("whole degrees 0 to 90");
            o.elevation = n;
            break;
        case kAzimuth:
            if (!parse_whole_int(value, n)) return refuse("whole degrees");
            o.azimuth = n;
            break;
        case kScale:
            if (!parse_whole_real(value, r) || !(r > 0) || r > 1e6)
                return refuse("a number above 0");
            o.scale = r;
            break;
        case kEgoCentered:
            o.ego_centered = true;
            break;
        case kNoTimeSeries:
            o.time_series = false;
            break;
        case kTrajId:
            o.traj_id = true;
            break;
    }
    return 1;
}

bool check_snapshot_options(const SnapshotOptions& o, std::string& error) {
    if (o.given != 0 && !snapshot_requested(o)) {
        error = "picture options need --snapshot or --export-frames";
        return false;
    }
    if (!o.frames_dir.empty() && o.steps < 1) {
        error = "--export-frames needs --steps of at least 1";
        return false;
    }
    return true;
}

int run_snapshot(const SnapshotOptions& o) {
    // The display defaults reset the clock settings; the command line's stay.
    const ClockSettings clock = clock_settings();
    render::renderer_startup();
    clock_settings() = clock;

    DisplaySettings s = GetDisplaySettings();
    if (!o.time_series) s.flags &= ~SHOW_TIME_SERIES;
    if (o.traj_id) s.flags |= SHOW_TRAJ_ID;
    SetDisplaySettings(s);
    set_ego_centered(o.ego_centered ? 1 : 0);
    ResetView(o.size, o.scale.value_or(kPlovaneInitialScale));
    BuildTrigTables();
    if (o.elevation) view_state().elevation = static_cast<int16_t>(*o.elevation);
    if (o.azimuth) view_state().azimuth = static_cast<int16_t>(((*o.azimuth % 360) + 360) % 360);

    if (!o.frames_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::u8path(o.frames_dir), ec);
        if (ec) {
            std::fprintf(stderr, "plovane: cannot make the folder %s: %s\n", o.frames_dir.c_str(),
                         ec.message().c_str());
            renderer_shutdown();
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
        paint_scene(canvas, o.size);
        return true;
    };
    bool ok = paint_picture();
    for (int step = 1; ok && step <= o.steps; ++step) {
        plovane_tick();
        ok = paint_picture();
        if (ok && !o.frames_dir.empty()) {
            const std::string path = frame_path(o.frames_dir, step);
            if (!write_png(canvas, path)) {
                std::fprintf(stderr, "plovane: cannot write %s\n", path.c_str());
                ok = false;
            }
        }
    }
    if (ok && !o.png_path.empty() && !write_png(canvas, o.png_path)) {
        std::fprintf(stderr, "plovane: cannot write %s\n", o.png_path.c_str());
        ok = false;
    }
    if (!ok) status = 1;
    plat::delete_dc(canvas);
    renderer_shutdown();
    return status;
}

}  // namespace shell
