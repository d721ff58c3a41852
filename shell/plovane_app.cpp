#include "shell/plovane_app.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/scene_clock.h"
#include "platform/platform.h"
#include "platform/qt_backend.h"
#include "shell/main_window.h"
#include "shell/plovane_shell.h"

namespace shell {

int run_plovane_window(const PlovaneOptions& options, int& argc, char** argv) {
    const char* chosen = std::getenv("SCENE_PLATFORM");
    const bool backend_named = chosen != nullptr && *chosen != '\0';
    if (!backend_named && !plat::display_available()) {
        std::fputs(
            "plovane: no display for the window (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM);\n"
            "         without one use --summary, --dump-store or --trace-clock\n",
            stderr);
        return 1;
    }
    plat::register_qt_backend();
    plat::StartOptions start;
    start.backend = backend_named ? std::string() : std::string("qt");
    if (!plat::start_platform(start, argc, argv)) return 1;

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
    if (parse_plovane_options(argc, argv, options, error) && !options.help &&
        options.mode == PlovaneMode::None) {
        return run_plovane_window(options, argc, argv);
    }
    return plovane_cli_main(argc, argv);
}

}  // namespace shell
