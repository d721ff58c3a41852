#include "shell/display_dialog.h"

#include <string>
#include <vector>

#include "data/scene_clock.h"
#include "render/display_settings.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"

namespace shell {

namespace {

int field_count() {
    return render::display_profile().fieldCount;
}

}  // namespace

bool DisplaySettingProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM) {
    const render::DisplaySettings current = render::GetDisplaySettings();
    switch (message) {
        case plat::WM_INITDIALOG: {
            const std::vector<std::string> texts =
                render::format_display_fields(current, clock_settings(), field_count());
            for (std::size_t i = 0; i < texts.size(); ++i) {
                plat::set_dlg_item_text(dlg, render::kFirstDisplayField + static_cast<int>(i),
                                        texts[i]);
            }
            return true;
        }
        case plat::WM_COMMAND:
            switch (plat::loword(wparam)) {
                case plat::IDOK: {
                    std::vector<std::string> texts;
                    for (int i = 0; i < field_count(); ++i) {
                        texts.push_back(plat::get_dlg_item_text(dlg, render::kFirstDisplayField + i,
                                                                render::kDisplayFieldMaxChars));
                    }
                    const render::ParsedDisplayFields parsed =
                        render::parse_display_fields(texts, current, clock_settings());
                    if (parsed.refusedId != 0) {
                        plat::message_box(dlg, parsed.refusal, kDisplaySettingCaption);
                        return true;
                    }
                    clock_settings() = parsed.clock;
                    render::SetDisplaySettings(parsed.settings);
                    plat::invalidate(app_state().mainWindow, false);
                    plat::end_dialog(dlg, 1);
                    return true;
                }
                case plat::IDCANCEL:
                    plat::end_dialog(dlg, 2);
                    return true;
                default:
                    return false;
            }
        case plat::WM_CLOSE:
            plat::end_dialog(dlg, 2);
            return true;
        default:
            return false;
    }
}

plat::LRESULT RunDisplaySettingDialog(plat::Hwnd owner) {
    return plat::dialog_box(resources::IDD_DISPLAY_SETTING, owner, &DisplaySettingProc);
}

}  // namespace shell
