// The resources of tarnex.exe: dialog templates, the icon, the About item's text and the ids of
// the controls, which are those of the desktop window on other systems. Read by the resource
// compiler and by C++.
#pragma once

#define IDD_HELP 100
#define IDS_ABOUT 101
#define IDD_MAIN 102
#define IDD_VIEWER 103
#define IDI_PROGRAM 128

// Template 102, the main dialog.
#define IDC_INPUT_PATH 1000
#define IDC_OUTPUT_PATH 1001
#define IDC_BROWSE_INPUT 1002
#define IDC_BROWSE_OUTPUT 1003
#define IDC_UNIFORM_SCALE 1004
#define IDC_CLIP_BOUNDS 1005
#define IDC_APPEND 1006
#define IDC_BY_OBJECT_NAME 1007
#define IDC_BY_KEY_FRAME 1008
#define IDC_STATUS 1009
#define IDC_HELP_BUTTON 1010
#define IDC_GO 1012
#define IDC_XYZ_SCALE 1013
#define IDC_FILL 1014
#define IDC_SCRIPT 1015
#define IDC_PREVIEW 1016
#define IDC_EXACT 1017
#define IDC_SIZE_FIELD 1018
#define IDC_PACKAGE 1019
#define IDC_MATERIALS 1020
#define IDC_DEUS_EX 1021

// Template 100, the help box.
#define IDC_HELP_TEXT 1000

// Template 103, the viewer.
#define IDC_VIEW_PICTURE 1100
#define IDC_VIEW_PLAY 1101
#define IDC_VIEW_FRAMES 1102
#define IDC_VIEW_FRAME_NUMBER 1103
#define IDC_VIEW_SPAN 1104
#define IDC_VIEW_LEGEND 1105
#define IDC_VIEW_HINT 1106
