// The pictures both viewers share: window icon, drag cursors, button images.
#include "resources/images.h"

namespace resources {
namespace {
#include "resources/images.inc"
}  // namespace

const plat::ImageTemplate& app_icon() {
    return img_icon1;
}

std::vector<plat::ImageTemplate> drag_cursors() {
    return {img_ew_cur, img_hand_cur, img_mag_cur};
}

std::vector<plat::ImageTemplate> button_bitmaps() {
    return {img_start_btn,   img_pause_btn, img_stop_btn,
            img_onestep_btn, img_jump_btn,  img_jump_grey};
}

}  // namespace resources
