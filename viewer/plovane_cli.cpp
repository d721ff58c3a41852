#include "viewer/plovane_cli.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

#include "analysis/measure.h"
#include "data/atomic_file.h"
#include "data/command_line.h"
#include "data/file_kinds.h"
#include "data/number_text.h"
#include "data/pose_track.h"
#include "data/report.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "data/version.h"
#include "platform/platform.h"
#include "shell/scene_loads.h"
#include "viewer/dataset_open.h"
#include "viewer/plovane_script.h"

const char* const kPlovaneUsage =
    "usage: plovane [--ego FILE] [--org FILE] [--traj FILE] [--frame-step N] [--too-short N]\n"
    "               [RECORDING.csv|FCD.xml [--ego-id ID]] [--lane-half-width M]\n"
    "               [--summary | --dump-store | --trace-clock | --metrics OUT.csv |\n"
    "                --snapshot OUT.png | --export-frames DIR | --export-video OUT.mp4 |\n"
    "                --script FILE]\n"
    "               [picture options] [FILE...]\n"
    "       plovane --help | --version\n"
    "Without a mode, opens the viewer window with the files loaded.\n"
    "  FILE              a file told by its name: .traj... as --traj, .nav... or .pos...\n"
    "                    as --ego, .txt as --org; a TRAJ file given so brings the pose\n"
    "                    track of the same name (.nav, else .pos) along, and the other way\n"
    "                    round; .csv and .xml files are recordings (RECORDING)\n"
    "  --ego FILE        ego pose track (.nav layout when the extension starts with nav,\n"
    "                    else .pos layout)\n"
    "  --org FILE        origin points\n"
    "  --traj FILE       TRAJ file\n"
    "  RECORDING         a public traffic recording: a drone recording's NN_tracks.csv,\n"
    "                    an NGSIM .csv or a simulator's FCD .xml; the scene of one of\n"
    "                    its vehicles is opened as File > Open Dataset opens it\n"
    "  --ego-id ID       that vehicle, its id as the recording writes it (default: the\n"
    "                    window asks; the other modes take the longest-lived vehicle)\n"
    "  --frame-step N    frames per clock step (default 1, at least 1)\n"
    "  --too-short N     trajectories with fewer samples are not visible (default 20)\n"
    "  --summary         print the store's counts and ranges\n"
    "  --dump-store      print the cleaned store, one row per sample\n"
    "  --trace-clock     print the clock after the loads and after each step\n"
    "  --metrics OUT.csv write the ego's speed, lead vehicle, gap, THW and TTC at the\n"
    "                    steps --trace-clock prints, as CSV (see the README)\n"
    "  --lane-half-width M  metres either side of the ego's axis in which a vehicle\n"
    "                    ahead is its lead (default 1.75)\n"
    "  --snapshot OUT.png    write a PNG picture of the scene after the steps\n"
    "  --export-frames DIR   write DIR/frame_00001.png ... one picture per step\n"
    "  --export-video OUT.mp4  write a video of the scene (H.264 in MP4; .webm: VP9)\n"
    "                    through ffmpeg, one picture per tick from --from to --to\n"
    "  --script FILE     run the viewer without a window, driven by the lines of FILE:\n"
    "                    command N [PATH], button NAME, frame TEXT, key NAME, wait N,\n"
    "                    dump, snapshot PNG, plot X Y (see the README)\n"
    "picture options:\n"
    "  --steps N             clock steps, each painted as playback paints (default 0)\n"
    "  --size WxH            picture size in pixels (default 960x640)\n"
    "  --elevation DEG       view tilt, 0 (top view) to 90 (side view)\n"
    "  --azimuth DEG         view turn in whole degrees (default 270)\n"
    "  --scale S             zoom in pixels per centimetre (default 0.045)\n"
    "  --ego-centered        draw in the ego vehicle's frame\n"
    "  --no-time-series      leave out the history of earlier boxes\n"
    "  --traj-id             write the trajectory ids beside the boxes\n"
    "  --select ID           draw trajectory ID (or ego) as selected\n"
    "video options (with --export-video; --size and the view options above apply):\n"
    "  --fps N               pictures per second (default: the recorded pace)\n"
    "  --from FRAME          Frame # of the first picture (default: the scene's start)\n"
    "  --to FRAME            Frame # of the last picture, included (default: the end)\n"
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

int32_t stored_samples(const TrajStore& st) {
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
        case FileKind::Dataset:
            slot = &options.dataset_path, what = "recording";
            break;
        case FileKind::Unknown:
            error = "cannot tell from its name what '" + path +
                    "' is: TRAJ files end in .traj, ego pose tracks in .nav or .pos, origin "
                    "points in .txt, recordings in .csv or .xml; name it with --traj, --ego or "
                    "--org";
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
    NamedFiles named;
    constexpr int kModes = 1;  // the headless modes exclude each other
    auto mode = [&options](PlovaneMode m) { return [&options, m] { options.mode = m; }; };
    cli::CommandLine line;
    line.options = {
        cli::text("--ego", options.ego_path),
        cli::text("--org", options.org_path),
        cli::text("--traj", options.traj_path),
        cli::text("--ego-id", options.ego_id),
        cli::whole_int("--frame-step", options.frame_step, 1),
        cli::whole_int("--too-short", options.too_short, 0),
        cli::flag("--summary", mode(PlovaneMode::Summary)).in_group(kModes),
        cli::flag("--dump-store", mode(PlovaneMode::DumpStore)).in_group(kModes),
        cli::flag("--trace-clock", mode(PlovaneMode::TraceClock)).in_group(kModes),
        cli::value("--metrics",
                   [&options](std::string_view path) {
                       options.mode = PlovaneMode::Metrics;
                       options.metrics_path = std::string(path);
                       return std::string();
                   })
            .in_group(kModes),
        cli::value("--lane-half-width",
                   [&options](std::string_view v) {
                       double m = 0;
                       if (!parse_whole_real(v, m) || !(m > 0) || !std::isfinite(m))
                           return std::string("a number of metres above 0");
                       options.lane_half_width = m;
                       return std::string();
                   }),
        cli::value("--script",
                   [&options](std::string_view path) {
                       options.mode = PlovaneMode::Script;
                       options.script_path = std::string(path);
                       return std::string();
                   })
            .in_group(kModes),
        cli::flag("--help", options.help).with_alias("-h").repeatable(),
        cli::flag("--version", options.version).repeatable(),
    };
    shell::add_snapshot_options(line.options, options.pictures);
    line.positional = [&options, &named](std::string_view path, std::string& why) {
        return take_file_by_kind(std::string(path), options, named, why);
    };
    if (!cli::parse(line, argc, argv, error)) return false;
    if (options.dataset_path && (options.ego_path || options.traj_path)) {
        error =
            "a recording brings its own ego and TRAJ file: give it without --ego, --traj "
            "or their files";
        return false;
    }
    if (options.ego_id && !options.dataset_path) {
        error = "--ego-id goes with a recording (RECORDING.csv or FCD.xml)";
        return false;
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
                "--snapshot, --export-frames and --export-video go without --summary, "
                "--dump-store, --trace-clock, --metrics, --script";
            return false;
        }
        options.mode = PlovaneMode::Pictures;
    }
    return true;
}

void print_store_summary(const Scene& scene, std::FILE* out) {
    const TrajStore& st = scene.store;
    std::fprintf(out, "# entries=%d samples=%d min_frame=%d max_frame=%d min_time=%d max_time=%d\n",
                 st.entry_count, stored_samples(st), st.min_frame, st.max_frame, st.min_time,
                 st.max_time);
}

void print_store_dump(const Scene& scene, std::FILE* out) {
    print_store_summary(scene, out);
    std::fputs(
        "traj,id,time_ms,frame,x,y,head_x,head_y,ego_x,ego_y,ego_head_x,ego_head_y,length,width,"
        "speed\n",
        out);
    const TrajStore& st = scene.store;
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

void print_trace_row(const Scene& scene, std::FILE* out, long step) {
    const TrajStore& st = scene.store;
    std::fprintf(out, "%ld,%d,%d,%d,%d,", step, st.current_frame, st.current_time, elapsed_ms(st),
                 scene.pose.pose_cursor);
    int32_t index = -1;
    bool first = true;
    for (const TrajPoint* s = next_visible_sample(scene, true, index); s;
         s = next_visible_sample(scene, false, index)) {
        std::fprintf(out, first ? "%d" : " %d", traj_id_at(st, index));
        first = false;
    }
    std::fputc('\n', out);
}

}  // namespace

void print_clock_trace(Scene& scene, std::FILE* out) {
    const SceneOrigin& origin = scene.scene_origin;
    std::fprintf(out, "# origin_x=%.6f origin_y=%.6f origin_heading=%.6f scene_start_index=%d\n",
                 origin.x, origin.y, origin.heading, scene.pose.scene_start_index);
    std::fputs("step,current_frame,current_time,elapsed_ms,pose_cursor,visible\n", out);
    long step = 0;
    print_trace_row(scene, out, step);
    while (step_scene(scene)) print_trace_row(scene, out, ++step);
}

int write_metrics(Scene& scene, double lane_half_width, const std::string& path) {
    AtomicFile file(path);
    bool ok = file.open() && file.write(analysis::kMetricsHeader);
    std::string row;
    auto put = [&] {
        row = analysis::metrics_row(analysis::measure_now(scene, lane_half_width));
        ok = ok && file.write(row);
    };
    if (ok) {
        put();
        while (ok && step_scene(scene)) put();
    }
    if (!ok || !file.commit()) {
        print_error("Cannot write " + path + ": " + file.error());
        return 1;
    }
    return 0;
}

namespace {

// Pictures are drawn on off-screen canvases of a back end that draws pixels, which
// need no display.
int write_pictures(shell::Plovane& viewer, const shell::SnapshotOptions& pictures) {
    plat::StartOptions start;
    start.command_line = true;
    start.canvas_only = true;
    if (!plat::start_platform(start)) return 1;
    const int status = shell::run_snapshot(viewer, pictures);
    plat::stop_platform();
    return status;
}

}  // namespace

bool choose_dataset_ego(const PlovaneOptions& options, std::string& ego) {
    if (options.ego_id) {
        ego = *options.ego_id;
        return true;
    }
    VehicleInfo vehicle;
    std::string error;
    if (!shell::longest_lived_vehicle(*options.dataset_path, vehicle, error)) {
        std::fprintf(stderr, "plovane: %s\n", error.c_str());
        return false;
    }
    ego = vehicle.name;
    std::fprintf(
        stderr,
        "plovane: ego %s%s%s%s, the longest-lived vehicle (%.1f s); --ego-id picks another\n",
        ego.c_str(), vehicle.vclass.empty() ? "" : " (", vehicle.vclass.c_str(),
        vehicle.vclass.empty() ? "" : ")", (vehicle.last_time_ms - vehicle.first_time_ms) / 1000.0);
    return true;
}

int load_plovane_files(shell::Plovane& viewer, const PlovaneOptions& options) {
    Scene& scene = viewer.scene;
    scene.clock.frameStep = options.frame_step;
    scene.clock.tooShortTraj = options.too_short;
    if (options.dataset_path) {
        std::string ego, error;
        if (!choose_dataset_ego(options, ego)) return 1;
        EgoScene imported;
        if (!shell::load_dataset_scene(scene, *options.dataset_path, ego, imported, error,
                                       [](std::string_view) {})) {
            std::fprintf(stderr, "plovane: %s\n", error.c_str());
            return 1;
        }
        viewer.dataset_roles = imported.roles;
    }
    if (options.ego_path) {
        ProgressLine line(*options.ego_path);
        if (!shell::load_ego(scene, *options.ego_path, nullptr, line.callback())) return 1;
    }
    if (options.org_path) {
        ProgressLine line(*options.org_path);
        if (!shell::load_org(scene, *options.org_path, nullptr, line.callback())) return 1;
    }
    if (options.traj_path) {
        ProgressLine line(*options.traj_path);
        if (!shell::load_mov(scene, *options.traj_path, print_error, line.callback())) return 1;
    }
    return 0;
}

int run_plovane_headless(shell::Plovane& viewer, const PlovaneOptions& options, std::FILE* out) {
    if (load_plovane_files(viewer, options) != 0) return 1;
    switch (options.mode) {
        case PlovaneMode::Summary:
            print_store_summary(viewer.scene, out);
            break;
        case PlovaneMode::DumpStore:
            print_store_dump(viewer.scene, out);
            break;
        case PlovaneMode::TraceClock:
            print_clock_trace(viewer.scene, out);
            break;
        case PlovaneMode::Metrics:
            if (write_metrics(viewer.scene, options.lane_half_width, *options.metrics_path) != 0)
                return 1;
            break;
        case PlovaneMode::Pictures:
            if (write_pictures(viewer, options.pictures) != 0) return 1;
            break;
        case PlovaneMode::Script:  // runs its own loads (plovane_cli_main)
        case PlovaneMode::None:
            break;
    }
    if (std::fflush(out) != 0 || std::ferror(out)) {
        print_error("Cannot write the output.");
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
        std::fprintf(stderr,
                     "plovane: give one of --summary, --dump-store, --trace-clock, --metrics\n%s",
                     kPlovaneUsage);
        return 2;
    }
    // The program's one record, as the window's main owns its own.
    const auto viewer = std::make_unique<shell::Plovane>();
    if (options.mode == PlovaneMode::Script)
        return shell::run_plovane_script(*viewer, options, stdout);
    return run_plovane_headless(*viewer, options, stdout);
}
