// The top-level windows and their titles. Every walk takes the same path, from the top of the
// z-order down, and none of them filters: the callers decide what visibility or state matters.
#include <string>
#include <string_view>

#include "app/frmZandrel.h"
#include "app/text.h"

namespace tollivox {

std::int16_t frmZandrel::EnumWindowHandles(List<WindowHandle>& hWndArray) {
  std::int16_t last = 0;
  // The fatal report knows this procedure as EnumTotalWindows.
  Guard("EnumTotalWindows", [&] {
    const WindowHandle desktop = Os.Windows.DesktopWindow();
    // Cut back to the desktop slot, so no handle of an earlier walk survives above it.
    hWndArray.Redim(1);
    hWndArray[1] = desktop;
    int index = 1;
    for (WindowHandle window = Os.Windows.NextWindow(desktop, kGwChild); window != 0;
         window = Os.Windows.NextWindow(window, kGwHwndNext)) {
      // The count is a 16-bit value; a desktop with more windows cannot be listed.
      if (index == INT16_MAX) Raise(kErrOverflow);
      ++index;
      hWndArray.Redim(index);
      hWndArray[index] = window;
    }
    last = static_cast<std::int16_t>(index);
  });
  return last;
}

bool frmZandrel::WindowExists(std::string WindowString) {
  bool found = false;
  Guard("WindowExists", [&] { found = FindWindowByTitle(WindowString) != 0; });
  return found;
}

WindowHandle frmZandrel::FindWindowByTitle(const std::string& Text, const std::string& Shown) {
  const std::string wanted = Os.System.ToUpper(Text);
  for (WindowHandle window = Os.Windows.NextWindow(Os.Windows.DesktopWindow(), kGwChild);
       window != 0; window = Os.Windows.NextWindow(window, kGwHwndNext)) {
    // The raw title without its terminator, which never decides a match (no search text holds
    // one): read as it is, without the copy that adding the terminator would cost every visit.
    const std::string title = Os.System.ToUpper(Os.Windows.WindowTitle(window));
    // Controls are read only below a window whose title already matches.
    if (title.find(wanted) != std::string::npos && ShowsText(window, Shown)) return window;
  }
  return 0;
}

bool frmZandrel::ShowsText(WindowHandle Window, const std::string& Shown) {
  if (Shown.empty()) return true;
  // Our console repeats the text in its status line and log view, and is no page of the program
  // watched for; nor is a box of ours.
  if (Os.Windows.IsOurs(Window)) return false;
  // No text given on the command line holds a line feed, so none is found across two captions.
  return Os.System.ToUpper(WithoutAccessKeys(Os.Windows.ChildCaptions(Window)))
             .find(Os.System.ToUpper(Shown)) != std::string::npos;
}

std::string frmZandrel::RawTitle(WindowHandle Window) {
  std::string raw = Os.Windows.WindowTitle(Window);
  raw += '\0';
  return raw;
}

std::string frmZandrel::CleanTitle(WindowHandle Window) {
  std::string raw = RawTitle(Window);
  std::string_view text(raw.data(), raw.size() - 1);
  // Blanks only: a title padded with tabs keeps them.
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace tollivox
