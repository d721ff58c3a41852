// Menus, dialogs and accelerators of both viewers. What they share is built by one
// function with the differences as arguments.
#include "platform/platform.h"
#include "resources/images.h"
#include "resources/resource_ids.h"
#include "resources/resources.h"

namespace resources {
namespace {

using plat::ControlKind;
using plat::ControlTemplate;
using plat::DialogTemplate;

constexpr unsigned kEditStyle =
    plat::CS_BORDER | plat::CS_RIGHT | plat::CS_AUTOHSCROLL | plat::CS_TABSTOP;

ControlTemplate label(const char* text, int x, int y, int cx, int cy) {
    return ControlTemplate{ControlKind::Label, plat::IDC_STATIC, text, x, y, cx, cy, plat::CS_NONE};
}
ControlTemplate edit(int id, int x, int y, int cx, int cy) {
    return ControlTemplate{ControlKind::Edit, id, "", x, y, cx, cy, kEditStyle};
}
ControlTemplate left_edit(int id, int x, int y, int cx, int cy) {
    return ControlTemplate{ControlKind::Edit,
                           id,
                           "",
                           x,
                           y,
                           cx,
                           cy,
                           plat::CS_BORDER | plat::CS_AUTOHSCROLL | plat::CS_TABSTOP};
}
ControlTemplate button(int id, const char* text, int x, int y, int cx, int cy, bool def = false) {
    return ControlTemplate{def ? ControlKind::DefaultButton : ControlKind::Button,
                           id,
                           text,
                           x,
                           y,
                           cx,
                           cy,
                           plat::CS_TABSTOP};
}
ControlTemplate bitmap_button(int id, const char* text, int x, int y) {
    return ControlTemplate{ControlKind::BitmapButton, id, text, x, y, 18, 14, plat::CS_TABSTOP};
}

DialogTemplate about(const char* title, const char* const (&lines)[4]) {
    DialogTemplate d;
    d.id = IDD_ABOUT;
    d.title = title;
    d.cx = 231;
    d.cy = 77;
    d.font = "Helv";
    d.point_size = 9;
    d.controls.push_back(button(plat::IDOK, "OK", 180, 19, 40, 14, true));
    for (int i = 0; i < 4; ++i) d.controls.push_back(label(lines[i], 12, 10 + 14 * i, 160, 10));
    return d;
}

// "Display Setting": Plovane has seven fields, Vantrel the first four.
DialogTemplate display_setting(bool all_fields) {
    struct Field {
        int id;
        const char* text;
        int label_y, label_cx, edit_y;
    };
    static const Field fields[] = {
        {IDC_MAX_RANGE_X, "Max Range X [cm]", 8, 72, 6},
        {IDC_GRID_SIZE_X, "Grid Size X [cm]", 24, 60, 22},
        {IDC_YX_FACTOR, "Y:X Factor", 40, 60, 38},
        {IDC_MS_PER_METER, "Millisec:Meter Factor", 56, 73, 54},
        {IDC_FRAME_STEP, "Frame Step", 72, 73, 70},
        {IDC_TOO_SHORT_TRAJ, "Too Short Traj.", 88, 73, 87},
        {IDC_DRAW_HISTORY, "Draw Histroy Traj (0:1)", 105, 85, 103},
    };
    DialogTemplate d;
    d.id = IDD_DISPLAY_SETTING;
    d.title = "Display Setting";
    d.cx = 130;
    d.cy = all_fields ? 139 : 89;
    d.font = "MS Shell Dlg";
    d.point_size = 8;
    const int count = all_fields ? 7 : 4;
    for (int i = 0; i < count; ++i) {
        const Field& f = fields[i];
        d.controls.push_back(label(f.text, 6, f.label_y, f.label_cx, 8));
        d.controls.push_back(edit(f.id, 84, f.edit_y, 42, 12));
    }
    const int buttons_y = all_fields ? 120 : 71;
    d.controls.push_back(button(plat::IDOK, "OK", 12, buttons_y, 50, 14, true));
    d.controls.push_back(button(plat::IDCANCEL, "Cancel", 72, buttons_y, 50, 14));
    return d;
}

DialogTemplate frame_control() {
    DialogTemplate d;
    d.id = IDD_FRAME_CONTROL;
    d.title = "Frame Control";
    d.cx = 101;
    d.cy = 79;
    d.font = "MS Shell Dlg";
    d.point_size = 8;
    d.visible = false;
    d.controls = {
        edit(IDC_FRAME_NO, 52, 7, 48, 12),
        label("Frame #", 7, 8, 31, 8),
        label("Ellapsed [s]", 7, 26, 44, 8),
        edit(IDC_ELAPSED, 52, 24, 48, 12),
        bitmap_button(IDC_START, "Start", 6, 60),
        bitmap_button(IDC_STOP, "Stop", 30, 60),
        bitmap_button(IDC_STEP, "Step", 54, 60),
        bitmap_button(IDC_JUMP, "Jump", 78, 60),
        label("Time", 7, 43, 42, 8),
        edit(IDC_TIME, 52, 41, 48, 12),
    };
    return d;
}

// Plovane's role colours: an id and a colour per role, the speed range, the ego
// colour and the switch, in the order of the controls' ids.
DialogTemplate traj_color_setting() {
    DialogTemplate d;
    d.id = IDD_TRAJ_COLOR;
    d.title = "Traj Color Setting";
    d.cx = 150;
    d.cy = 170;
    d.font = "MS Shell Dlg";
    d.point_size = 8;
    d.controls.push_back(label("ID", 42, 6, 28, 8));
    d.controls.push_back(label("Colour (R,G,B)", 78, 6, 60, 8));
    struct Role {
        const char* text;
        int id, colour;
    };
    static const Role roles[] = {{"Front", IDC_FRONT_ID, IDC_FRONT_COL},
                                 {"Lead", IDC_LEAD_ID, IDC_LEAD_COL},
                                 {"Lag", IDC_LAG_ID, IDC_LAG_COL},
                                 {"Rear", IDC_REAR_ID, IDC_REAR_COL}};
    int y = 17;
    for (const Role& r : roles) {
        d.controls.push_back(label(r.text, 7, y + 2, 32, 8));
        d.controls.push_back(edit(r.id, 42, y, 30, 12));
        d.controls.push_back(left_edit(r.colour, 78, y, 64, 12));
        y += 16;
    }
    d.controls.push_back(label("Speed Min (m/s)", 7, y + 2, 66, 8));
    d.controls.push_back(edit(IDC_SPEED_MIN, 78, y, 40, 12));
    y += 16;
    d.controls.push_back(label("Speed Max (m/s)", 7, y + 2, 66, 8));
    d.controls.push_back(edit(IDC_SPEED_MAX, 78, y, 40, 12));
    y += 16;
    d.controls.push_back(label("Ego Col", 7, y + 2, 66, 8));
    d.controls.push_back(left_edit(IDC_EGO_COL, 78, y, 64, 12));
    y += 18;
    d.controls.push_back(ControlTemplate{ControlKind::CheckBox, IDC_TRAJ_COL_ON,
                                         "Traj Col Setting On", 7, y, 110, 10, plat::CS_TABSTOP});
    y += 18;
    d.controls.push_back(button(plat::IDOK, "OK", 16, y, 50, 14, true));
    d.controls.push_back(button(plat::IDCANCEL, "Cancel", 84, y, 50, 14));
    return d;
}

// Vantrel's "Settings": the current sample by id and the pose margin around it.
DialogTemplate sample_settings() {
    DialogTemplate d;
    d.id = IDD_SAMPLE_SETTINGS;
    d.title = "Settings";
    d.cx = 140;
    d.cy = 64;
    d.font = "MS Shell Dlg";
    d.point_size = 8;
    d.controls = {
        label("Cur Traj ID", 7, 9, 60, 8),
        edit(IDC_CUR_TRAJ_ID, 76, 7, 56, 12),
        label("Traj Margin (s)", 7, 25, 60, 8),
        edit(IDC_TRAJ_MARGIN, 76, 23, 56, 12),
        button(plat::IDOK, "Ok", 14, 44, 50, 14, true),
        button(plat::IDCANCEL, "Cancel", 76, 44, 50, 14),
    };
    return d;
}

plat::ResourceSet common(const char* title, const char* const (&about_lines)[4],
                         bool plovane_settings) {
    plat::ResourceSet r;
    r.dialogs.push_back(about(title, about_lines));
    r.dialogs.push_back(display_setting(plovane_settings));
    r.dialogs.push_back(frame_control());
    r.icons.push_back(app_icon());
    r.cursors = drag_cursors();
    r.bitmaps = button_bitmaps();
    return r;
}

plat::ResourceSet make_plovane() {
    static const char* const lines[4] = {
        "Plovane - space-time scene viewer",
        "Replays an ego track and the vehicles",
        "around it, frame by frame.",
        "Made by the traffic scene tools team.",
    };
    plat::ResourceSet r = common("Plovane", lines, true);
    r.menus.push_back(plat::MenuTemplate{IDR_MAIN_MENU,
                                         {
                                             {"File",
                                              {{"Load Ego", IDM_LOAD_EGO},
                                               {"Load Org (Optional)", IDM_LOAD_ORG},
                                               {"Load Mov", IDM_LOAD_MOV},
                                               {"About", IDM_ABOUT},
                                               {"Exit", IDM_EXIT}}},
                                             {"Display",
                                              {{"Setting", IDM_DISPLAY_SETTING},
                                               {"Grid Line", IDM_GRID_LINE},
                                               {"Axis", IDM_AXIS},
                                               {"Time Serials", IDM_TIME_SERIALS},
                                               {"Ego Centered", IDM_EGO_CENTERED},
                                               {"Traj ID", IDM_TRAJ_ID},
                                               {"Set TrajCol", IDM_SET_TRAJ_COL},
                                               {"Real Time", IDM_REAL_TIME}}},
                                         }});
    r.dialogs.push_back(traj_color_setting());
    return r;
}

plat::ResourceSet make_vantrel() {
    static const char* const lines[4] = {
        "Vantrel - sample labelling tool",
        "Marks time windows of an ego track",
        "and writes a pose file per sample.",
        "Made by the traffic scene tools team.",
    };
    plat::ResourceSet r = common("Vantrel", lines, false);
    r.menus.push_back(plat::MenuTemplate{IDR_MAIN_MENU,
                                         {
                                             {"File",
                                              {{"Load Ego", IDM_LOAD_EGO},
                                               {"Load Samples", IDM_V_LOAD_SAMPLES},
                                               {"Load Traj Gen", IDM_V_LOAD_TRAJ_GEN},
                                               {"Save Samples", IDM_V_SAVE_SAMPLES},
                                               {"About", IDM_V_ABOUT},
                                               {"Exit", IDM_V_EXIT}}},
                                             {"Display",
                                              {{"Setting", IDM_DISPLAY_SETTING},
                                               {"Grid Line", IDM_GRID_LINE},
                                               {"Axis", IDM_AXIS},
                                               {"TrajID", IDM_V_TRAJ_ID},
                                               {"Sample Settings", IDM_SAMPLE_SETTINGS}}},
                                         }});
    r.dialogs.push_back(sample_settings());
    const unsigned ctrl = plat::FVIRTKEY | plat::FCONTROL;
    r.accelerators.push_back(plat::AccelTableTemplate{IDR_ACCELERATORS,
                                                      {{ctrl, 'D', IDM_LABELLING},
                                                       {ctrl, 'S', IDM_EDIT_START},
                                                       {ctrl, 'E', IDM_EDIT_END},
                                                       {ctrl, 'Y', IDM_EDIT_HEADING}}});
    return r;
}

}  // namespace

const plat::ResourceSet& plovane() {
    static const plat::ResourceSet set = make_plovane();
    return set;
}

const plat::ResourceSet& vantrel() {
    static const plat::ResourceSet set = make_vantrel();
    return set;
}

}  // namespace resources
