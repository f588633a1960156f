// Resource identifiers shared by the program and morva.rc.
#pragma once

#define IDS_APP_TITLE 103
#define IDS_GDI_WHITE_BEHAVIOUR 104
#define IDS_GDI_BLACK_BEHAVIOUR 105
#define IDS_GDI_CHOICE_WHITE 106
#define IDS_GDI_CHOICE_BLACK 107
#define IDS_GDI_CHOICE_UNCHANGED 108
#define IDS_WINDOW_CLASS 109
#define IDS_GDI_CHOICE_INVERTED 110
#define IDS_NEW_DOCUMENT 111
#define IDS_MODIFIED 112
#define IDS_OPEN_MORVA_TITLE 113
#define IDS_OPEN_BMP_TITLE 114
#define IDS_SAVE_MOVIE_TITLE 115
#define IDS_MORVA_FILTER 116
#define IDS_BMP_FILTER 117
#define IDS_MOVIE_FILTER 118
#define IDS_REPLACE_QUESTION 119

// Icons, the main menu and its accelerator table.
#define IDI_MORVA 107
#define IDI_SMALL 108
#define IDR_MAINMENU 109

// Command ids of the main menu and the accelerators.
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDM_FILE_OPEN 32777
#define IDM_FILE_SAVE 32778
#define IDM_FILE_SAVE_AS 32779
#define IDM_PREVIEW 32780
#define IDM_IMPORT_BMP 32782
#define IDM_IMPORT_WMV 32783
#define IDM_FILE_NEW 32786
#define IDM_ENGINE_GDI 32798
#define IDM_ENGINE_GDIPLUS 32799
#define IDM_ENGINE_DIRECT2D 32800
// Data depth 8 ... 1 bits, in menu order.
#define IDM_DEPTH_8 32810
#define IDM_DEPTH_7 32811
#define IDM_DEPTH_6 32812
#define IDM_DEPTH_5 32813
#define IDM_DEPTH_4 32814
#define IDM_DEPTH_3 32815
#define IDM_DEPTH_2 32816
#define IDM_DEPTH_1 32817
