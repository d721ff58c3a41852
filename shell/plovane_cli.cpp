#include "shell/plovane_cli.h"

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string_view>

#include "data/file_kinds.h"
#include "data/number_text.h"
#include "data/pose_track.h"
#include "data/report.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "data/version.h"
#include "platform/platform.h"
#include "shell/plovane_script.h"
#include "shell/scene_loads.h"

const char* const kPlovaneUsage =
    "usage: plovane [--ego FILE] [--org FILE] [--traj FILE] [--frame-step N] [--too-short N]\n"
    "               [--summary | --dump-store | --trace-clock |\n"
    "                --snapshot OUT.png | --export-frames DIR | --script FILE]\n"
    "               [picture options] [FILE...]\n"
    "       plovane --help | --version\n"
    "Without a mode, opens the viewer window with the files loaded.\n"
    "  FILE              a file told by its name: .traj... as --traj, .nav... or .pos...\n"
    "                    as --ego, .txt as --org; a TRAJ file given so brings the pose\n"
    "                    track of the same name (.nav, else .pos) along, and the other way\n"
    "  --ego FILE        ego pose track (.nav layout when the extension starts with nav,\n"
    "                    else .pos layout)\n"
    "  --org FILE        origin points\n"
    "  --traj FILE       TRAJ file\n"
    "  --frame-step N    frames per clock step (default 1, at least 1)\n"
    "  --too-short N     trajectories with fewer samples are not visible (default 20)\n"
    "  --summary         print the store's counts and ranges\n"
    "  --dump-store      print the cleaned store, one row per sample\n"
    "  --trace-clock     print the clock after the loads and after each step\n"
    "  --snapshot OUT.png    write a PNG picture of the scene after the steps\n"
    "  --export-frames DIR   write DIR/frame_00001.png ... one picture per step\n"
    "  --script FILE     run the viewer without a window, driven by the lines of FILE:\n"
    "                    command N [PATH], button NAME, frame TEXT, key NAME, wait N,\n"
    "                    dump, snapshot PNG (see the README)\n"
    "picture options:\n"
    "  --steps N             clock steps, each painted as playback paints (default 0)\n"
    "  --size WxH            picture size in pixels (default 960x640)\n"
    "  --elevation DEG       view tilt, 0 (top view) to 90 (side view)\n"
    "  --azimuth DEG         view turn in whole degrees (default 270)\n"
    "  --scale S             zoom in pixels per centimetre (default 0.045)\n"
    "  --ego-centered        draw in the ego vehicle's frame\n"
    "  --no-time-series      leave out the history of earlier boxes\n"
    "  --traj-id             write the trajectory ids beside the boxes\n"
    "  --version         print the version\n"
    "Pictures need no display; trajcolset.ini is read from the current folder.\n"
    "Files load in the order ego, org, traj. Exit status: 0 success, 1 a load failed,\n"
    "2 usage error (or a script line that is not known).\n";

namespace {

// Shows "Loading FILE: NN%" on standard error once a load has run for a second,
// when standard error is a terminal; clears it when the load ends.
class ProgressLine {
  public:
    explicit ProgressLine(std::string label)
        : label_(std::move(label)),
          terminal_(isatty(fileno(stderr)) != 0),
          start_(std::chrono::steady_clock::now()) {}
    ~ProgressLine() {
        if (width_ > 0) std::fprintf(stderr, "\r%*s\r", width_, "");
    }
    LoadProgress callback() {
        if (!terminal_) return {};
        return [this](uint64_t done, uint64_t total) {
            if (std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
            int percent = total ? static_cast<int>(done * 100 / total) : 0;
            width_ = std::fprintf(stderr, "\rLoading %s: %3d%%", label_.c_str(), percent);
            std::fflush(stderr);
        };
    }

  private:
    std::string label_;
    bool terminal_;
    std::chrono::steady_clock::time_point start_;
    int width_ = 0;
};

int32_t stored_samples() {
    const TrajStore& st = traj_store();
    int64_t n = 0;
    for (int32_t i = 0; i < st.entry_count; ++i) n += st.entries[i].count;
    return static_cast<int32_t>(n);
}

// A file given without an option takes the slot its name tells: the viewer's only
// .txt files are origin points.
// Which files came without an option.
struct NamedFiles {
    bool ego = false, traj = false;
};

bool take_file_by_kind(const std::string& path, PlovaneOptions& options, NamedFiles& named,
                       std::string& error) {
    std::optional<std::string>* slot = nullptr;
    const char* what = "";
    switch (file_kind_by_name(path)) {
        case FileKind::Traj:
            slot = &options.traj_path, what = "TRAJ file (--traj)";
            break;
        case FileKind::EgoPose:
            slot = &options.ego_path, what = "ego pose track (--ego)";
            break;
        case FileKind::Text:
            slot = &options.org_path, what = "origin point file (--org)";
            break;
        case FileKind::Unknown:
            error = "cannot tell from its name what '" + path +
                    "' is: TRAJ files end in .traj, ego pose tracks in .nav or .pos, origin "
                    "points in .txt; name it with --traj, --ego or --org";
            return false;
    }
    if (*slot) {
        error = "'" + path + "' would be a second " + what + " after '" + **slot + "'";
        return false;
    }
    *slot = path;
    if (slot == &options.ego_path) named.ego = true;
    if (slot == &options.traj_path) named.traj = true;
    return true;
}

}  // namespace

bool parse_plovane_options(int argc, char** argv, PlovaneOptions& options, std::string& error) {
    options = PlovaneOptions{};
    bool step_given = false, short_given = false;
    NamedFiles named;
    for (int a = 1; a < argc; ++a) {
        std::string_view arg = argv[a];
        auto take_value = [&](std::string_view& value) {
            if (a + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            value = argv[++a];
            return true;
        };
        auto take_path = [&](std::optional<std::string>& path) {
            if (path) {
                error = std::string(arg) + " given twice";
                return false;
            }
            std::string_view value;
            if (!take_value(value)) return false;
            path = std::string(value);
            return true;
        };
        auto take_int = [&](int& target, bool& given, int minimum) {
            if (given) {
                error = std::string(arg) + " given twice";
                return false;
            }
            std::string_view value;
            if (!take_value(value)) return false;
            if (!parse_whole_int(value, target) || target < minimum) {
                error = std::string(arg) + " needs an integer of at least " +
                        std::to_string(minimum) + ", not '" + std::string(value) + "'";
                return false;
            }
            given = true;
            return true;
        };
        auto set_mode = [&](PlovaneMode mode) {
            if (options.mode != PlovaneMode::None) {
                error = "only one of --summary, --dump-store, --trace-clock, --script may be given";
                return false;
            }
            options.mode = mode;
            return true;
        };
        bool ok;
        if (arg == "--ego") {
            ok = take_path(options.ego_path);
        } else if (arg == "--org") {
            ok = take_path(options.org_path);
        } else if (arg == "--traj") {
            ok = take_path(options.traj_path);
        } else if (arg == "--frame-step") {
            ok = take_int(options.frame_step, step_given, 1);
        } else if (arg == "--too-short") {
            ok = take_int(options.too_short, short_given, 0);
        } else if (arg == "--summary") {
            ok = set_mode(PlovaneMode::Summary);
        } else if (arg == "--dump-store") {
            ok = set_mode(PlovaneMode::DumpStore);
        } else if (arg == "--trace-clock") {
            ok = set_mode(PlovaneMode::TraceClock);
        } else if (arg == "--script") {
            ok = set_mode(PlovaneMode::Script) && take_path(options.script_path);
        } else if (const int taken =
                       shell::parse_snapshot_option(argc, argv, a, options.pictures, error)) {
            ok = taken > 0;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
            ok = true;
        } else if (arg == "--version") {
            options.version = true;
            ok = true;
        } else if (!arg.empty() && arg[0] != '-') {
            ok = take_file_by_kind(std::string(arg), options, named, error);
        } else {
            error = "unknown argument '" + std::string(arg) + "'";
            ok = false;
        }
        if (!ok) return false;
    }
    // A scene needs both halves: a file given by name brings its other half along
    // when one lies beside it under the same name (what a double-click gives).
    const std::optional<std::string> ego_given = options.ego_path, traj_given = options.traj_path;
    if (named.traj && !ego_given) options.ego_path = companion_file(*traj_given, FileKind::EgoPose);
    if (named.ego && !traj_given) options.traj_path = companion_file(*ego_given, FileKind::Traj);
    if (!shell::check_snapshot_options(options.pictures, error)) return false;
    if (shell::snapshot_requested(options.pictures)) {
        if (options.mode != PlovaneMode::None) {
            error =
                "--snapshot and --export-frames go without --summary, --dump-store, "
                "--trace-clock, --script";
            return false;
        }
        options.mode = PlovaneMode::Pictures;
    }
    return true;
}

void print_store_summary(std::FILE* out) {
    const TrajStore& st = traj_store();
    std::fprintf(out, "# entries=%d samples=%d min_frame=%d max_frame=%d min_time=%d max_time=%d\n",
                 st.entry_count, stored_samples(), st.min_frame, st.max_frame, st.min_time,
                 st.max_time);
}

void print_store_dump(std::FILE* out) {
    print_store_summary(out);
    std::fputs(
        "traj,id,time_ms,frame,x,y,head_x,head_y,ego_x,ego_y,ego_head_x,ego_head_y,length,width,"
        "speed\n",
        out);
    const TrajStore& st = traj_store();
    for (int32_t i = 0; i < st.entry_count; ++i) {
        const TrajEntry& e = st.entries[i];
        for (int32_t j = 0; j < e.count; ++j) {
            const TrajPoint& s = st.samples[static_cast<size_t>(e.first + j)];
            std::fprintf(out,
                         "%d,%d,%d,%d,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n", i,
                         e.id, s.time_ms, s.frame, s.x, s.y, s.head_x, s.head_y, s.ego_x, s.ego_y,
                         s.ego_head_x, s.ego_head_y, s.length, s.width, s.speed);
        }
    }
}

namespace {

void print_trace_row(std::FILE* out, long step) {
    std::fprintf(out, "%ld,%d,%d,%d,%d,", step, current_frame(), current_time(), elapsed_ms(),
                 pose_cursor());
    int32_t index = -1;
    bool first = true;
    for (const TrajPoint* s = next_visible_sample(true, index); s;
         s = next_visible_sample(false, index)) {
        std::fprintf(out, first ? "%d" : " %d", traj_id_at(index));
        first = false;
    }
    std::fputc('\n', out);
}

}  // namespace

void print_clock_trace(std::FILE* out) {
    Vec2 origin;
    double heading = 0;
    get_scene_origin(origin, heading);
    std::fprintf(out, "# origin_x=%.6f origin_y=%.6f origin_heading=%.6f scene_start_index=%d\n",
                 origin.x, origin.y, heading, scene_start_index());
    std::fputs("step,current_frame,current_time,elapsed_ms,pose_cursor,visible\n", out);
    long step = 0;
    print_trace_row(out, step);
    while (step_scene()) print_trace_row(out, ++step);
}

namespace {

// Pictures are drawn on off-screen canvases of a back end that draws pixels, which
// need no display.
int write_pictures(const shell::SnapshotOptions& pictures) {
    plat::StartOptions start;
    start.command_line = true;
    start.canvas_only = true;
    if (!plat::start_platform(start)) return 1;
    const int status = shell::run_snapshot(pictures);
    plat::stop_platform();
    return status;
}

}  // namespace

int run_plovane_headless(const PlovaneOptions& options, std::FILE* out) {
    free_traj_store();
    reset_pose_state();
    reset_clock_settings();
    clock_settings().frameStep = options.frame_step;
    clock_settings().tooShortTraj = options.too_short;

    if (options.ego_path) {
        ProgressLine line(*options.ego_path);
        if (!shell::load_ego(*options.ego_path, line.callback())) return 1;
    }
    if (options.org_path) {
        ProgressLine line(*options.org_path);
        if (!shell::load_org(*options.org_path, line.callback())) return 1;
    }
    if (options.traj_path) {
        ProgressLine line(*options.traj_path);
        if (!shell::load_mov(*options.traj_path, line.callback())) return 1;
    }

    switch (options.mode) {
        case PlovaneMode::Summary:
            print_store_summary(out);
            break;
        case PlovaneMode::DumpStore:
            print_store_dump(out);
            break;
        case PlovaneMode::TraceClock:
            print_clock_trace(out);
            break;
        case PlovaneMode::Pictures:
            if (write_pictures(options.pictures) != 0) return 1;
            break;
        case PlovaneMode::Script:  // runs its own loads (plovane_cli_main)
        case PlovaneMode::None:
            break;
    }
    if (std::fflush(out) != 0 || std::ferror(out)) {
        report_error("Cannot write the output.");
        return 1;
    }
    return 0;
}

int plovane_cli_main(int argc, char** argv) {
    PlovaneOptions options;
    std::string error;
    if (!parse_plovane_options(argc, argv, options, error)) {
        std::fprintf(stderr, "plovane: %s\n%s", error.c_str(), kPlovaneUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kPlovaneUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("plovane %s\n", tools_version());
        return 0;
    }
    if (options.mode == PlovaneMode::None) {
        std::fprintf(stderr, "plovane: give one of --summary, --dump-store, --trace-clock\n%s",
                     kPlovaneUsage);
        return 2;
    }
    if (options.mode == PlovaneMode::Script) return shell::run_plovane_script(options, stdout);
    return run_plovane_headless(options, stdout);
}
