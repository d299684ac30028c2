#pragma once
#include <windows.h>

// The program's HTML Help file, Quillant.chm, which ships beside Quillant.exe.
//
// The viewer (hhctrl.ocx) is loaded on first use and kept for the rest of the process; every
// function here runs on the window thread that shows the help.
//
// Who calls what:
// - a Help command or a dialog's Help button: ShowHelpContents(dialog or main window);
// - WM_HELP in a dialog procedure (F1, or the caption's "?" button on a control):
//       case WM_HELP: ShowContextHelp(*reinterpret_cast<const HELPINFO*>(lParam)); return TRUE;
//   The control's context id comes from its dialog template or SetWindowContextHelpId;
//   controls without one get no help, as intended;
// - the main window's final close: CloseAllHelp().

// Opens the help file at its contents and index. When the file or the viewer is missing, says
// "Failed to launch help." in a message box over owner and returns false.
bool ShowHelpContents(HWND owner);

// Shows the short pop-up text of a control: the context id of the window in info.hItemHandle
// (GetWindowContextHelpId), or info.dwContextId when the window has none. Where the viewer has no
// text pop-ups (Wine's), the help topic that describes the control opens instead. Shows nothing
// and returns false when the id is 0 or the help file is missing.
bool ShowContextHelp(const HELPINFO& info);

// Closes every help window the program opened.
void CloseAllHelp();
