#include "viewer/plovane_app.h"

#include <cstdio>
#include <memory>
#include <string>

#include "data/scene_clock.h"
#include "platform/platform.h"
#include "shell/main_window.h"
#include "viewer/dataset_open.h"
#include "viewer/plovane_shell.h"

namespace shell {

int run_plovane_window(Plovane& viewer, const PlovaneOptions& options, int& argc, char** argv) {
    plat::StartOptions start;
    start.window = true;
    if (!plat::start_platform(start, argc, argv)) {
        std::fputs(
            "plovane: the window cannot open (it needs a display: DISPLAY, WAYLAND_DISPLAY or\n"
            "         QT_QPA_PLATFORM); without one use --summary, --dump-store, --trace-clock\n"
            "         or --snapshot\n",
            stderr);
        return 1;
    }

    int code = 0;
    if (StartShell(viewer, plovane_profile())) {
        viewer.scene.clock.frameStep = options.frame_step;
        viewer.scene.clock.tooShortTraj = options.too_short;
        viewer.view.settings.laneHalfWidth = options.lane_half_width;
        if (options.dataset_path) OpenDatasetCommand(viewer, *options.dataset_path, options.ego_id);
        if (options.ego_path) LoadEgoCommand(viewer, *options.ego_path);
        if (options.org_path) LoadOrgCommand(viewer, *options.org_path);
        if (options.traj_path) LoadMovCommand(viewer, *options.traj_path);
        code = RunMessageLoop(viewer);
    }
    plat::stop_platform();
    return code;
}

int plovane_main(int argc, char** argv) {
    PlovaneOptions options;
    std::string error;
    if (parse_plovane_options(argc, argv, options, error) && !options.help && !options.version &&
        options.mode == PlovaneMode::None) {
        // The program's one record; the windows reach it through the main window.
        const auto viewer = std::make_unique<Plovane>();
        return run_plovane_window(*viewer, options, argc, argv);
    }
    return plovane_cli_main(argc, argv);
}

}  // namespace shell
