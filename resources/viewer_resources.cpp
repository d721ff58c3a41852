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

// "Display Setting": Plovane has eight fields, Vantrel the first four.
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
        {IDC_LANE_HALF_WIDTH, "Lane Half Width [m]", 122, 78, 120},
    };
    DialogTemplate d;
    d.id = IDD_DISPLAY_SETTING;
    d.title = "Display Setting";
    d.cx = 130;
    d.cy = all_fields ? 156 : 89;
    d.font = "MS Shell Dlg";
    d.point_size = 8;
    const int count = all_fields ? 8 : 4;
    for (int i = 0; i < count; ++i) {
        const Field& f = fields[i];
        d.controls.push_back(label(f.text, 6, f.label_y, f.label_cx, 8));
        d.controls.push_back(edit(f.id, 84, f.edit_y, 42, 12));
    }
    const int buttons_y = all_fields ? 137 : 71;
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

// Plovane's "Vehicle" panel: lines of text about the selected vehicle, in the
// owner's top-right corner so that it stays clear of the Frame Control.
DialogTemplate vehicle_panel() {
    DialogTemplate d;
    d.id = IDD_VEHICLE;
    d.title = "Vehicle";
    d.cx = 150;
    d.cy = 8 + 10 * kVehicleLines;
    d.font = "MS Shell Dlg";
    d.point_size = 8;
    d.visible = false;
    d.right_corner = true;
    for (int i = 0; i < kVehicleLines; ++i)
        d.controls.push_back(ControlTemplate{ControlKind::Label, IDC_VEHICLE_LINE + i, "", 6,
                                             4 + 10 * i, 140, 9, plat::CS_NONE});
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

// Plovane's vehicle list of "Open Dataset": a page of vehicles, each row's id a
// button that chooses it, the chosen id in a field of its own (any id may be
// typed there), paging buttons, OK and Cancel.
DialogTemplate vehicle_list() {
    DialogTemplate d;
    d.id = IDD_VEHICLE_LIST;
    d.title = "Ego Vehicle";
    d.cx = 236;
    d.cy = 62 + 14 * kVehicleRows;
    d.font = "MS Shell Dlg";
    d.point_size = 8;
    d.controls.push_back(label("Vehicle", 14, 6, 50, 8));
    d.controls.push_back(label("Class", 70, 6, 60, 8));
    d.controls.push_back(label("Duration (s)", 134, 6, 46, 8));
    d.controls.push_back(label("Samples", 184, 6, 44, 8));
    for (int r = 0; r < kVehicleRows; ++r) {
        const int y = 17 + 14 * r;
        d.controls.push_back(label("", 4, y + 2, 8, 8));
        d.controls.back().id = IDC_ROW_MARK + r;
        d.controls.push_back(button(IDC_ROW_ID + r, "", 14, y, 50, 12));
        d.controls.push_back(label("", 70, y + 2, 60, 8));
        d.controls.back().id = IDC_ROW_CLASS + r;
        d.controls.push_back(label("", 134, y + 2, 46, 8));
        d.controls.back().id = IDC_ROW_DURATION + r;
        d.controls.push_back(label("", 184, y + 2, 44, 8));
        d.controls.back().id = IDC_ROW_SAMPLES + r;
    }
    int y = 21 + 14 * kVehicleRows;
    d.controls.push_back(button(IDC_PREV_PAGE, "<", 14, y, 20, 12));
    d.controls.push_back(label("", 40, y + 2, 140, 8));
    d.controls.back().id = IDC_PAGE;
    d.controls.push_back(button(IDC_NEXT_PAGE, ">", 184, y, 20, 12));
    y += 18;
    d.controls.push_back(label("Ego", 14, y + 2, 20, 8));
    d.controls.push_back(left_edit(IDC_EGO_ID, 40, y, 60, 12));
    d.controls.push_back(button(plat::IDOK, "OK", 120, y, 50, 14, true));
    d.controls.push_back(button(plat::IDCANCEL, "Cancel", 176, y, 50, 14));
    return d;
}

// Vantrel's "Settings": the current sample by id, the pose margin around it, the
// length of a sample that Insert adds and the label names.
DialogTemplate sample_settings() {
    DialogTemplate d;
    d.id = IDD_SAMPLE_SETTINGS;
    d.title = "Settings";
    d.cx = 200;
    d.cy = 96;
    d.font = "MS Shell Dlg";
    d.point_size = 8;
    d.controls = {
        label("Cur Traj ID", 7, 9, 60, 8),
        edit(IDC_CUR_TRAJ_ID, 76, 7, 56, 12),
        label("Traj Margin (s)", 7, 25, 60, 8),
        edit(IDC_TRAJ_MARGIN, 76, 23, 56, 12),
        label("Default length (s)", 7, 41, 66, 8),
        edit(IDC_DEFAULT_LENGTH, 76, 39, 56, 12),
        label("Labels", 7, 57, 60, 8),
        edit(IDC_LABEL_NAMES, 76, 55, 117, 12),
        button(plat::IDOK, "Ok", 14, 76, 50, 14, true),
        button(plat::IDCANCEL, "Cancel", 76, 76, 50, 14),
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
                                              {{"Load Ego\tCtrl+E", IDM_LOAD_EGO},
                                               {"Load Org (Optional)\tCtrl+G", IDM_LOAD_ORG},
                                               {"Load Mov\tCtrl+O", IDM_LOAD_MOV},
                                               {"Open Dataset\tCtrl+D", IDM_OPEN_DATASET},
                                               {"Export Video", IDM_EXPORT_VIDEO},
                                               {"About\tF1", IDM_ABOUT},
                                               {"Exit\tCtrl+Q", IDM_EXIT}}},
                                             {"Display",
                                              {{"Setting\tCtrl+,", IDM_DISPLAY_SETTING},
                                               {"Grid Line", IDM_GRID_LINE},
                                               {"Axis", IDM_AXIS},
                                               {"Time Serials", IDM_TIME_SERIALS},
                                               {"Ego Centered", IDM_EGO_CENTERED},
                                               {"Traj ID", IDM_TRAJ_ID},
                                               {"Set TrajCol", IDM_SET_TRAJ_COL},
                                               {"Real Time", IDM_REAL_TIME},
                                               {"Mark Lead", IDM_MARK_LEAD},
                                               {"Plots", IDM_PLOTS},
                                               {"Follow Selected\tF", IDM_FOLLOW_SELECTED},
                                               {"Reset View\tR", IDM_RESET_VIEW},
                                               {"Time From Now", IDM_TIME_FROM_NOW},
                                               {"Show Raw", IDM_SHOW_RAW}}},
                                         }});
    r.dialogs.push_back(traj_color_setting());
    r.dialogs.push_back(vehicle_list());
    r.dialogs.push_back(vehicle_panel());
    // The shortcuts the File and Display menus show; none takes a playback key.
    const unsigned ctrl = plat::FVIRTKEY | plat::FCONTROL;
    r.accelerators.push_back(
        plat::AccelTableTemplate{IDR_PLOVANE_ACCELERATORS,
                                 {{ctrl, 'E', IDM_LOAD_EGO},
                                  {ctrl, 'O', IDM_LOAD_MOV},
                                  {ctrl, 'G', IDM_LOAD_ORG},
                                  {ctrl, 'D', IDM_OPEN_DATASET},
                                  {ctrl, 'Q', IDM_EXIT},
                                  {plat::FVIRTKEY, plat::VK_F1, IDM_ABOUT},
                                  {ctrl, plat::VK_OEM_COMMA, IDM_DISPLAY_SETTING}}});
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
