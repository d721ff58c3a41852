#include "shell/plovane_app.h"

#include <cstdio>
#include <string>

#include "data/scene_clock.h"
#include "platform/platform.h"
#include "shell/main_window.h"
#include "shell/plovane_shell.h"

namespace shell {

int run_plovane_window(const PlovaneOptions& options, int& argc, char** argv) {
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

    reset_shell();
    int code = 0;
    if (StartShell(plovane_profile())) {
        clock_settings().frameStep = options.frame_step;
        clock_settings().tooShortTraj = options.too_short;
        if (options.ego_path) LoadEgoCommand(*options.ego_path);
        if (options.org_path) LoadOrgCommand(*options.org_path);
        if (options.traj_path) LoadMovCommand(*options.traj_path);
        code = RunMessageLoop();
    }
    reset_shell();
    plat::stop_platform();
    return code;
}

int plovane_main(int argc, char** argv) {
    PlovaneOptions options;
    std::string error;
    if (parse_plovane_options(argc, argv, options, error) && !options.help && !options.version &&
        options.mode == PlovaneMode::None) {
        return run_plovane_window(options, argc, argv);
    }
    return plovane_cli_main(argc, argv);
}

}  // namespace shell
