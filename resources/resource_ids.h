// Numbers of the viewers' resources and of the commands and controls in them.
#pragma once

namespace resources {

// Resource ids.
constexpr int IDI_APP = 1;                 // window icon
constexpr int IDR_MAIN_MENU = 10;          // menu of the main window
constexpr int IDR_ACCELERATORS = 101;      // Vantrel's accelerator table
constexpr int IDD_ABOUT = 2000;            // About box
constexpr int IDD_DISPLAY_SETTING = 2100;  // "Display Setting"
constexpr int IDD_FRAME_CONTROL = 2200;    // modeless "Frame Control"
constexpr int IDD_TRAJ_COLOR = 2300;       // Plovane: "Traj Color Setting"
constexpr int IDD_SAMPLE_SETTINGS = 2300;  // Vantrel: "Settings"

// Named images.
constexpr const char* CUR_ROTATE = "EW_CUR";
constexpr const char* CUR_HAND = "HAND_CUR";
constexpr const char* CUR_ZOOM = "MAG_CUR";
constexpr const char* BMP_START = "START_BTN";
constexpr const char* BMP_PAUSE = "PAUSE_BTN";
constexpr const char* BMP_STOP = "STOP_BTN";
constexpr const char* BMP_ONESTEP = "ONESTEP_BTN";
constexpr const char* BMP_JUMP = "JUMP_BTN";
constexpr const char* BMP_JUMP_GREY = "_JUMP_BTN";

// Menu commands of Plovane.
constexpr int IDM_LOAD_EGO = 20;
constexpr int IDM_LOAD_MOV = 21;
constexpr int IDM_LOAD_ORG = 22;
constexpr int IDM_ABOUT = 23;
constexpr int IDM_EXIT = 24;
constexpr int IDM_EXPORT_VIDEO = 28;  // File menu "Export Video"
constexpr int IDM_DISPLAY_SETTING = 50;
constexpr int IDM_GRID_LINE = 51;
constexpr int IDM_AXIS = 52;
constexpr int IDM_TIME_SERIALS = 53;
constexpr int IDM_EGO_CENTERED = 54;
constexpr int IDM_SET_TRAJ_COL = 55;
constexpr int IDM_TRAJ_ID = 56;
constexpr int IDM_REAL_TIME = 57;     // playback paced by the recorded times
constexpr int IDM_OPEN_DATASET = 27;  // a public traffic recording, one of its vehicles as ego
constexpr int IDM_MARK_LEAD = 75;     // the lead vehicle's box marked
constexpr int IDM_PLOTS = 76;         // the window of the measurements' time plots
constexpr int IDR_PLOVANE_ACCELERATORS = 102;  // Plovane's accelerator table

// Commands of Vantrel that differ from Plovane's.
constexpr int IDM_V_LOAD_SAMPLES = 21;
constexpr int IDM_V_LOAD_TRAJ_GEN = 22;
constexpr int IDM_V_SAVE_SAMPLES = 23;
constexpr int IDM_V_ABOUT = 25;
constexpr int IDM_V_EXIT = 26;
constexpr int IDM_V_TRAJ_ID = 53;
constexpr int IDM_LABELLING = 60;
constexpr int IDM_EDIT_START = 61;
constexpr int IDM_EDIT_END = 62;
constexpr int IDM_EDIT_HEADING = 63;
constexpr int IDM_SAMPLE_SETTINGS = 64;
constexpr int IDM_AUTO_ADJUST = 65;
constexpr int IDM_REVERT = 66;
constexpr int IDM_DELETE_SAMPLE = 67;
constexpr int IDM_PREVIOUS_SAMPLE = 68;
constexpr int IDM_NEXT_SAMPLE = 69;

// Display Setting dialog 2100.
constexpr int IDC_MAX_RANGE_X = 2101;
constexpr int IDC_GRID_SIZE_X = 2102;
constexpr int IDC_YX_FACTOR = 2103;
constexpr int IDC_MS_PER_METER = 2104;
constexpr int IDC_FRAME_STEP = 2105;
constexpr int IDC_TOO_SHORT_TRAJ = 2106;
constexpr int IDC_DRAW_HISTORY = 2107;
constexpr int IDC_LANE_HALF_WIDTH = 2108;  // Plovane: the ego's lane for its lead vehicle

// Frame Control dialog 2200.
constexpr int IDC_FRAME_NO = 2201;
constexpr int IDC_ELAPSED = 2202;
constexpr int IDC_STEP = 2203;
constexpr int IDC_START = 2204;
constexpr int IDC_STOP = 2205;
constexpr int IDC_JUMP = 2206;
constexpr int IDC_TIME = 2211;

// Traj Color Setting dialog 2300 (Plovane).
constexpr int IDC_FRONT_ID = 2301;
constexpr int IDC_LEAD_ID = 2302;
constexpr int IDC_FRONT_COL = 2303;
constexpr int IDC_LEAD_COL = 2304;
constexpr int IDC_LAG_ID = 2305;
constexpr int IDC_LAG_COL = 2306;
constexpr int IDC_REAR_ID = 2307;
constexpr int IDC_REAR_COL = 2308;
constexpr int IDC_EGO_COL = 2309;
constexpr int IDC_SPEED_MIN = 2310;
constexpr int IDC_SPEED_MAX = 2311;
constexpr int IDC_TRAJ_COL_ON = 2312;

// Vehicle list of "Open Dataset" 2400 (Plovane): kVehicleRows rows, each the
// vehicle's id as a button that selects it, then its class, duration and samples.
constexpr int IDD_VEHICLE_LIST = 2400;
constexpr int IDC_EGO_ID = 2401;  // the chosen vehicle's id, as the dataset writes it
constexpr int IDC_PREV_PAGE = 2402;
constexpr int IDC_NEXT_PAGE = 2403;
constexpr int IDC_PAGE = 2404;  // "vehicles 1-10 of 250"
constexpr int kVehicleRows = 10;
constexpr int IDC_ROW_ID = 2410;        // + row: button
constexpr int IDC_ROW_CLASS = 2420;     // + row
constexpr int IDC_ROW_DURATION = 2430;  // + row
constexpr int IDC_ROW_SAMPLES = 2440;   // + row
constexpr int IDC_ROW_MARK = 2450;      // + row: ">" before the chosen vehicle
// Inspecting a vehicle (Plovane): Display menu items and the modeless "Vehicle"
// panel, whose lines are labels 2601 .. 2601 + kVehicleLines - 1.
constexpr int IDM_FOLLOW_SELECTED = 70;
constexpr int IDM_RESET_VIEW = 71;
constexpr int IDM_TIME_FROM_NOW = 72;
constexpr int IDM_SHOW_RAW = 73;
constexpr int IDD_VEHICLE = 2600;
constexpr int IDC_VEHICLE_LINE = 2601;
constexpr int kVehicleLines = 9;

// Settings dialog 2300 (Vantrel).
constexpr int IDC_CUR_TRAJ_ID = 2301;
constexpr int IDC_TRAJ_MARGIN = 2302;
constexpr int IDC_DEFAULT_LENGTH = 2320;  // length of a sample that Insert adds, seconds
constexpr int IDC_LABEL_NAMES = 2321;     // "0=none; 1=lane change left; ..."

}  // namespace resources
