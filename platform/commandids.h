#pragma once

// Command, control and string ids shared by the framework layer, the view and
// the application resources.

// Framework commands.
constexpr unsigned ID_FILE_NEW = 57600;
constexpr unsigned ID_FILE_OPEN = 57601;
constexpr unsigned ID_FILE_CLOSE = 57602;
constexpr unsigned ID_FILE_SAVE = 57603;
constexpr unsigned ID_FILE_SAVE_AS = 57604;
constexpr unsigned ID_FILE_PAGE_SETUP = 57605;
constexpr unsigned ID_FILE_PRINT_SETUP = 57606;
constexpr unsigned ID_FILE_PRINT = 57607;
constexpr unsigned ID_FILE_PRINT_PREVIEW = 57609;
constexpr unsigned ID_FILE_MRU_FILE1 = 57616;
constexpr unsigned ID_FILE_MRU_FILE2 = 57617;
constexpr unsigned ID_FILE_MRU_FILE3 = 57618;
constexpr unsigned ID_FILE_MRU_FILE4 = 57619;
constexpr unsigned ID_EDIT_CLEAR = 57632;
constexpr unsigned ID_EDIT_CLEAR_ALL = 57633;
constexpr unsigned ID_EDIT_COPY = 57634;
constexpr unsigned ID_EDIT_CUT = 57635;
constexpr unsigned ID_EDIT_FIND = 57636;
constexpr unsigned ID_EDIT_PASTE = 57637;
constexpr unsigned ID_EDIT_REPEAT = 57640;
constexpr unsigned ID_EDIT_REPLACE = 57641;
constexpr unsigned ID_EDIT_SELECT_ALL = 57642;
constexpr unsigned ID_EDIT_UNDO = 57643;
constexpr unsigned ID_EDIT_REDO = 57644;
constexpr unsigned ID_WINDOW_SPLIT = 57653;
constexpr unsigned ID_APP_ABOUT = 57664;
constexpr unsigned ID_APP_EXIT = 57665;
constexpr unsigned ID_NEXT_PANE = 57680;
constexpr unsigned ID_PREV_PANE = 57681;
constexpr unsigned ID_VIEW_TOOLBAR = 59392;
constexpr unsigned ID_VIEW_STATUS_BAR = 59393;

// Status bar panes.
constexpr unsigned ID_SEPARATOR = 0;
constexpr unsigned ID_INDICATOR_EXT = 59136;
constexpr unsigned ID_INDICATOR_CAPS = 59137;
constexpr unsigned ID_INDICATOR_NUM = 59138;
constexpr unsigned ID_INDICATOR_SCRL = 59139;
constexpr unsigned ID_INDICATOR_OVR = 59140;
constexpr unsigned ID_INDICATOR_REC = 59141;

// Strings.
constexpr unsigned AFX_IDS_APP_TITLE = 57344;
constexpr unsigned AFX_IDS_IDLEMESSAGE = 57345;

// Dialog results and standard buttons.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Resources of the program.
constexpr unsigned IDD_ABOUTBOX = 100;
constexpr unsigned IDR_MAINFRAME = 128;
constexpr unsigned IDI_SECOND_ICON = 129;
constexpr unsigned IDD_INPUT_TEXT = 130;
constexpr unsigned IDC_INPUT_EDIT = 131;
constexpr unsigned IDC_INPUT_PROMPT = 132;
constexpr unsigned IDD_PROPERTIES = 133;
constexpr unsigned IDC_PROPERTIES_TEXT = 134;

// The viewer's commands.
constexpr unsigned ID_TAVRO_PLAY = 32771;         // "Tavro" menu, "PLAY"
constexpr unsigned ID_ROTATE = 32778;             // toolbar
constexpr unsigned ID_TRANSLATE = 32779;          // toolbar
constexpr unsigned ID_NONE = 32780;               // toolbar
constexpr unsigned ID_INIT_AXES = 32781;          // toolbar
constexpr unsigned ID_AXES = 32782;               // toolbar
constexpr unsigned ID_MESH = 32783;               // toolbar
constexpr unsigned ID_INFO = 32784;               // toolbar
constexpr unsigned ID_VIEW_AXES = 32785;          // View menu
constexpr unsigned ID_VIEW_MESH = 32786;          // View menu
constexpr unsigned ID_VIEW_INFO = 32787;          // View menu
constexpr unsigned ID_VIEW_MESH_COLOR = 32788;    // View menu
constexpr unsigned ID_VIEW_INFO_COLOR = 32789;    // View menu
constexpr unsigned ID_VIEW_BG_COLOR = 32790;      // View menu
constexpr unsigned ID_PLAY = 32791;               // toolbar
constexpr unsigned ID_SHADING_FLAT = 32793;       // View > Shading
constexpr unsigned ID_SHADING_SMOOTH = 32794;     // View > Shading
constexpr unsigned ID_SHADING_WIREFRAME = 32795;  // View > Shading
constexpr unsigned ID_VIEW_COLOR = 32796;         // View menu, model colour
constexpr unsigned ID_SHADING_BOTH_FACES = 32797; // View > Shading
constexpr unsigned ID_VIEW_XYZ_ZXY = 32799;       // View menu
constexpr unsigned ID_VIEW_STEREO = 32800;        // View menu
constexpr unsigned ID_VIEW_VERTEX_COLORS = 32801; // View menu
constexpr unsigned ID_VIEW_FRONT = 32820;         // View > Views
constexpr unsigned ID_VIEW_BACK = 32821;          // View > Views
constexpr unsigned ID_VIEW_LEFT = 32822;          // View > Views
constexpr unsigned ID_VIEW_RIGHT = 32823;         // View > Views
constexpr unsigned ID_VIEW_TOP = 32824;           // View > Views
constexpr unsigned ID_VIEW_BOTTOM = 32825;        // View > Views
constexpr unsigned ID_VIEW_OBLIQUE = 32826;       // View > Views

// The status bar's pane with the loaded model's counts.
constexpr unsigned ID_INDICATOR_MODEL = 32830;

// The viewer's file commands: File > Reload (F5), File > Export Picture and
// View > Reload When Changed.
constexpr unsigned ID_FILE_RELOAD = 32840;
constexpr unsigned ID_FILE_EXPORT_PICTURE = 32841;
constexpr unsigned ID_VIEW_RELOAD_WHEN_CHANGED = 32842;

// View > Next File (Page Down), View > Previous File (Page Up) and
// View > Orthographic.
constexpr unsigned ID_VIEW_NEXT_FILE = 32843;
constexpr unsigned ID_VIEW_PREVIOUS_FILE = 32844;
constexpr unsigned ID_VIEW_ORTHOGRAPHIC = 32845;

// File > Properties: what the loaded model measures.
constexpr unsigned ID_FILE_PROPERTIES = 32846;

// View > Measure (M), a mouse mode beside Rotate, Translate and None, also
// on the toolbar.
constexpr unsigned ID_MEASURE = 32847;

// View > Fast Drawing While Moving: a large model's reduced copy is drawn
// while the camera moves.
constexpr unsigned ID_VIEW_FAST_DRAWING = 32850;
