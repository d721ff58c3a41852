#include "render/scene_painter.h"

namespace render {

void paint_scene(plat::Dc, plat::Size) {}
void renderer_startup(plat::Hwnd) {}
void renderer_shutdown() {}
void clear_history() {}
void toggle_time_series(plat::Hwnd) {}
void toggle_ego_centered(plat::Hwnd) {}

}  // namespace render
