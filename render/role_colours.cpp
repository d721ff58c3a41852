#include "render/role_colours.h"

namespace render {

plat::LRESULT run_traj_color_dialog(plat::Hwnd) {
    return 2;
}

}  // namespace render
