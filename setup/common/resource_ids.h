#pragma once
// Resource identifiers shared by the two setup programs and their resource
// scripts (read by the resource compiler too, hence plain macros).
#define IDS_APP_TITLE 103
#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_LARGE 107
#define IDI_SMALL 108
// The window class name string, the menu and the accelerator table.
#define IDC_SETUP 109
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
