#include "shell/frame_control.h"

#include "platform/platform.h"
#include "shell/main_window.h"

namespace shell {

void CreateFrameControl() {}

void DestroyFrameControl() {
    AppState& app = app_state();
    if (!app.frameControl) return;
    plat::destroy_window(app.frameControl);
    app.frameControl = plat::Hwnd{};
}

}  // namespace shell
