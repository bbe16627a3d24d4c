#pragma once

// Window and control-bar styles understood by the bars.
constexpr unsigned WS_CHILD = 0x40000000;
constexpr unsigned WS_VISIBLE = 0x10000000;
constexpr unsigned TBSTYLE_FLAT = 0x0800;
constexpr unsigned CBRS_SIZE_DYNAMIC = 0x0004;
constexpr unsigned CBRS_TOOLTIPS = 0x0010;
constexpr unsigned CBRS_FLYBY = 0x0020;
constexpr unsigned CBRS_BORDER_TOP = 0x0200;
constexpr unsigned CBRS_BORDER_BOTTOM = 0x0800;
constexpr unsigned CBRS_ALIGN_LEFT = 0x1000;
constexpr unsigned CBRS_ALIGN_TOP = 0x2000;
constexpr unsigned CBRS_ALIGN_RIGHT = 0x4000;
constexpr unsigned CBRS_ALIGN_BOTTOM = 0x8000;
constexpr unsigned CBRS_ALIGN_ANY = 0xF000;
constexpr unsigned CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
constexpr unsigned CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
constexpr unsigned CBRS_GRIPPER = 0x00400000;
constexpr unsigned AFX_IDW_TOOLBAR = 0xE800;    // 59392, also ID_VIEW_TOOLBAR
constexpr unsigned AFX_IDW_STATUS_BAR = 0xE801; // 59393, also ID_VIEW_STATUS_BAR
constexpr unsigned AFX_IDW_DOCKBAR_TOP = 0xE81B;
constexpr unsigned AFX_IDW_DOCKBAR_LEFT = 0xE81C;
constexpr unsigned AFX_IDW_DOCKBAR_RIGHT = 0xE81D;
constexpr unsigned AFX_IDW_DOCKBAR_BOTTOM = 0xE81E;
