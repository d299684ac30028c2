// The test client's view of the double's windows, found the way the server
// finds them: top-level "PPTFrameClass" windows, the last "MDIClient" among
// their descendants, the "mdiClass" windows inside it, and the top-level
// "screenClass" windows. Lines:
//   frame <hwnd> visible=0|1 popup=0|1 title=<text>
//   mdiclient <hwnd> parent=<frame hwnd>
//   document <hwnd> visible=0|1 title=<text>
//   screen <hwnd> visible=0|1 foreground=0|1 title=<text>
// Texts percent-encoded, hwnds as 0x%08x.
#pragma once

#include <string>
#include <vector>

namespace ppt {

std::vector<std::string> ListDoubleWindows();

}  // namespace ppt
