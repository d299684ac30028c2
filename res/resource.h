// Resource identifiers shared by the resource script and the Windows shell.
#pragma once

#define IDR_MAINFRAME 128            // program icon
#define IDR_TRAYMENU 130             // tray menu; also the tray icon's identifier
#define IDI_STATE_UNAVAILABLE 140
#define IDI_STATE_CONNECTED 141
#define IDI_STATE_WAITING 142

#define IDS_TIP_UNAVAILABLE 131
#define IDS_TIP_WAITING 132
#define IDS_TIP_CONNECTED 133
#define IDS_ALREADY_RUNNING 138
#define IDS_OLE_INIT_FAILED 140
#define IDS_NOT_AVAILABLE 142
#define IDS_PORT_FAILED 145
#define IDS_HIDDEN_SLIDE 146
#define IDS_PROTOCOL_VERSION 57346
#define IDS_APP_TITLE 57344
#define IDS_CONFIRM_EXIT 59142

#define ID_APP_ABOUT 0x8003
#define ID_APP_CONFIGURE 0x8004
#define ID_APP_EXIT 0x8005
#define ID_APP_HELP 0x8009
