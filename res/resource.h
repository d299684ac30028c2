// Resource identifiers shared by the resource scripts and the Windows shell.
#pragma once

// Icons, bitmaps and menus.
#define IDR_MAINFRAME 128            // program icon
#define IDR_TRAYMENU 130             // tray menu; also the tray icon's identifier
#define IDI_STATE_UNAVAILABLE 140
#define IDI_STATE_CONNECTED 141
#define IDI_STATE_WAITING 142
#define IDB_SPLASH 144               // splash picture, 398 x 414, 24 bits per pixel

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_PROFILE_EDITOR 103
#define IDD_CONFIG_APPLICATIONS 132
#define IDD_CONFIG_PREFERENCES 133

// Strings.
#define IDS_CONFIG_TITLE 129
#define IDS_TIP_UNAVAILABLE 131
#define IDS_TIP_WAITING 132
#define IDS_TIP_CONNECTED 133
#define IDS_CONFIRM_DELETE 135
#define IDS_NAME_MISSING 136
#define IDS_PROFILE_EXISTS 137
#define IDS_ALREADY_RUNNING 138
#define IDS_OLE_INIT_FAILED 140
#define IDS_ABOUT_VERSION 141
#define IDS_NOT_AVAILABLE 142
#define IDS_PORT_FAILED 145
#define IDS_HIDDEN_SLIDE 146
#define IDS_IDENTIFICATION_MISSING 147
#define IDS_CANNOT_MODIFY 152
#define IDS_APP_TITLE 57344
#define IDS_PROTOCOL_VERSION 57346
#define IDS_CONFIRM_EXIT 59142
#define IDS_HELP_FAILED 61703        // "Failed to launch help."

// Tray menu commands.
#define ID_APP_ABOUT 0x8003
#define ID_APP_CONFIGURE 0x8004
#define ID_APP_EXIT 0x8005
#define ID_APP_HELP 0x8009

// About box.
#define IDC_ABOUT_VERSION 1019

// Configuration sheet: context help of the sheet's own controls.
#define IDH_SHEET_OK 1200
#define IDH_SHEET_CANCEL 1201
#define IDH_SHEET_TABS 1202

// Applications page.
#define IDC_PROFILE_LIST 1002
#define IDC_PROFILE_NEW 1003
#define IDC_PROFILE_DELETE 1004
#define IDC_PROFILE_REFRESH 1005
#define IDC_PROFILE_LIST_LABEL 1013
#define IDC_PROFILE_EDIT 1021

// Preferences page.
#define IDC_PORT_LIST 1006
#define IDC_START_AT_LOGON 1009
#define IDC_PORT_LABEL 1011
#define IDC_MOUSE_SPEED 1018
#define IDC_DISABLE_SCREENSAVER 1020
#define IDC_MOUSE_GROUP 1022
#define IDC_MOUSE_SLOW 1023
#define IDC_MOUSE_FAST 1024

// Page controls' context help: 2147483648 + 65536 x dialog + control.
#define IDH_PAGE_CONTROL(dialog, control) (0x80000000u + 0x10000u * (dialog) + (control))

// Profile editor.
#define IDC_EDITOR_NAME 1015
#define IDC_EDITOR_KEY 1035
#define IDC_EDITOR_IDENTIFICATION 1034
#define IDC_EDITOR_BEHAVIOUR 1036
#define IDC_EDITOR_HELP 1041
#define IDC_EDITOR_PHONE_1 1042      // 1042 to 1050: phone keys "1" to "9"
#define IDC_EDITOR_PHONE_9 1050
#define IDC_EDITOR_PHONE_STAR 1051
#define IDC_EDITOR_PHONE_0 1052
#define IDC_EDITOR_PHONE_HASH 1054
#define IDC_EDITOR_KEY_TYPE 1125
#define IDC_EDITOR_TRUE 1127
#define IDC_EDITOR_FALSE 1128
#define IDC_EDITOR_ID_VALUE 1129
#define IDC_EDITOR_MOD1 1176
#define IDC_EDITOR_MOD2 1177
#define IDC_EDITOR_ID_TEXT 1204
#define IDC_EDITOR_BEHAVIOUR_TEXT 1205
#define IDC_EDITOR_PHONE_BUTTON 1207  // centre of the direction pad
#define IDC_EDITOR_PHONE_LEFT 1209
#define IDC_EDITOR_PHONE_RIGHT 1210
#define IDC_EDITOR_PHONE_DOWN 1211
#define IDC_EDITOR_PHONE_UP 1212
#define IDC_EDITOR_VALUE 1213         // the current phone key's mapping value, read-only
