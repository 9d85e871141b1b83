// The top-level windows and their titles. Every walk takes the same path, from the top of the
// z-order down, and none of them filters: the callers decide what visibility or state matters.
#include <string>
#include <string_view>

#include "app/frmZandrel.h"

namespace tollivox {

namespace {

// A caption as it is drawn: "&" marks the access key of the character after it and is not shown;
// "&&" shows one "&".
std::string WithoutAccessKeys(std::string_view Caption) {
  std::string shown;
  shown.reserve(Caption.size());
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&' && ++i == Caption.size()) break;
    shown += Caption[i];
  }
  return shown;
}

}  // namespace

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

WindowHandle frmZandrel::FindWindowByTitle(const std::string& Text) {
  const std::string wanted = Os.System.ToUpper(Text);
  for (WindowHandle window = Os.Windows.NextWindow(Os.Windows.DesktopWindow(), kGwChild);
       window != 0; window = Os.Windows.NextWindow(window, kGwHwndNext)) {
    // The raw title without its terminator, which never decides a match (no search text holds
    // one): read as it is, without the copy that adding the terminator would cost every visit.
    const std::string title = Os.System.ToUpper(Os.Windows.WindowTitle(window));
    if (title.find(wanted) != std::string::npos) return window;
  }
  return 0;
}

WindowHandle frmZandrel::FindWindowByTitle(const std::string& Text, const std::string& Shown) {
  if (Shown.empty()) return FindWindowByTitle(Text);
  const std::string wanted = Os.System.ToUpper(Text);
  for (WindowHandle window = Os.Windows.NextWindow(Os.Windows.DesktopWindow(), kGwChild);
       window != 0; window = Os.Windows.NextWindow(window, kGwHwndNext)) {
    // Controls are read only below a window whose title already matches.
    const std::string title = Os.System.ToUpper(Os.Windows.WindowTitle(window));
    if (title.find(wanted) != std::string::npos && ShowsText(window, Shown)) return window;
  }
  return 0;
}

bool frmZandrel::ShowsText(WindowHandle Window, const std::string& Shown) {
  if (Shown.empty()) return true;
  const std::string wanted = Os.System.ToUpper(Shown);
  for (const std::string& caption : Os.Windows.ChildCaptions(Window)) {
    if (Os.System.ToUpper(WithoutAccessKeys(caption)).find(wanted) != std::string::npos) {
      return true;
    }
  }
  return false;
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
