// Resource identifiers of Sorvane's dialogs, menu, icon and controls.
#ifndef SORVANE_RESOURCE_H
#define SORVANE_RESOURCE_H

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_SORVANE_DIALOG 102
#define IDD_STORAGE 130
#define IDD_FILTER 131
#define IDD_PROGRESS 132

// Icon and menu
#define IDR_MAINFRAME 128
#define IDR_MAINMENU 129

// Main window controls
#define IDC_START_STOP 1000
#define IDC_INTERFACE 1001
#define IDC_TEXT_PANE 1004
#define IDC_PACKET_COUNT 1005
#define IDC_PACKET_COUNT_LABEL 1006
#define IDC_LIST_BUTTON 1007
#define IDC_PACKET_LIST 1008
#define IDC_FILTER_BUTTON 1010

// Storage settings controls (1010 is reused: ids are unique per template)
#define IDC_PACKET_BYTES 1009
#define IDC_TOTAL_MB 1010

// Address filter and progress window controls
#define IDC_FILTER_ADDRESS 1011
#define IDC_PROGRESS 1012

// The static that carries a message box's text: set by the system, named here for the programs
// and tests that read message boxes
#define IDC_MESSAGE_BOX_TEXT 0xFFFF

// Menu commands
#define IDM_ABOUTBOX 16
#define ID_FILE_EXIT 32771
#define ID_SETTINGS_STORAGE 32772

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
