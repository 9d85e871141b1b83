// A page's controls acted on through their own messages: nothing here needs the front, the
// keyboard or the input desktop. Every message that waits for another program has a time limit,
// and only messages below WM_USER carry text, since Windows marshals pointers across processes
// for those system messages alone.
#include "platform/win32/controls.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/messages.h"
#include "platform/control_kinds.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

namespace {

HWND ToHwnd(WindowHandle Window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(Window)));
}

WindowHandle FromHwnd(HWND Window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(Window));
}

std::wstring ClassOf(HWND Window) {
  std::array<wchar_t, 256> name{};
  const int length = GetClassNameW(Window, name.data(), static_cast<int>(name.size()));
  return std::wstring(name.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool SameName(const std::wstring& Name, const wchar_t* Other) {
  return CompareStringOrdinal(Name.c_str(), -1, Other, -1, TRUE) == CSTR_EQUAL;
}

bool IsRichEdit(const std::wstring& Class) {
  return SameName(Class, L"RichEdit") || SameName(Class, L"RichEdit20A") ||
         SameName(Class, L"RichEdit20W") || SameName(Class, L"RICHEDIT50W") ||
         SameName(Class, L"RICHEDIT60W");
}

LONG StyleOf(HWND Window) { return GetWindowLongW(Window, GWL_STYLE); }

// The button styles that set their own check state when clicked.
bool SelfChecking(LONG Style) {
  const LONG type = Style & BS_TYPEMASK;
  return type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

// The system class a superclass is built on; empty where Windows names the class itself, as
// Wine always does.
std::wstring BaseClassOf(HWND Window, const std::wstring& Class) {
  std::array<wchar_t, 256> name{};
  const UINT length = RealGetWindowClassW(Window, name.data(), static_cast<UINT>(name.size()));
  std::wstring base(name.data(), length < name.size() ? length : 0);
  return SameName(base, Class.c_str()) ? std::wstring() : base;
}

struct ControlWalk {
  Win32Windows& Windows;
  Win32Controls& Controls;
  HWND Focus;
  std::vector<ControlInfo> Shown;
  // A program that did not answer one question is not asked again in the same walk.
  bool Unanswered = false;
};

BOOL CALLBACK CollectControl(HWND Child, LPARAM State) {
  auto& walk = *reinterpret_cast<ControlWalk*>(State);
  // IsWindowVisible is true only when every window up to the top-level one is shown.
  if (IsWindowVisible(Child) == FALSE) return TRUE;
  const std::wstring className = ClassOf(Child);
  ControlInfo info;
  info.Handle = FromHwnd(Child);
  info.Class = Narrow(className);
  info.BaseClass = Narrow(BaseClassOf(Child, className));
  // GetWindowTextW reads another program's caption from the window structures, without a
  // message that could wait on it.
  info.Caption = walk.Windows.WindowTitle(info.Handle);
  info.Style = static_cast<std::uint32_t>(StyleOf(Child));
  info.Kind = KindOfControl(info.Class, info.BaseClass, info.Style, [&] {
    if (walk.Unanswered) return DialogCodeReading{};
    const DialogCodeReading answer = walk.Controls.DialogCode(info.Handle);
    walk.Unanswered = answer.Result == ControlResult::NoAnswer;
    return answer;
  });
  // A disabled window disables its children without telling them, so a button on a disabled
  // inner page reads as enabled itself: it counts as enabled only when every window up to the
  // top-level one is.
  info.Enabled = true;
  const HWND top = GetAncestor(Child, GA_ROOT);
  for (HWND up = Child; up != nullptr && info.Enabled; up = GetAncestor(up, GA_PARENT)) {
    info.Enabled = IsWindowEnabled(up) != FALSE;
    if (up == top) break;
  }
  info.Focused = Child == walk.Focus;
  walk.Shown.push_back(std::move(info));
  return TRUE;
}

}  // namespace

// What a failed SendMessageTimeoutW or PostMessageW means. The error is read first: IsWindow
// may set one of its own.
ControlResult FailureOf(HWND Control) {
  const DWORD error = GetLastError();
  if (IsWindow(Control) == FALSE) return ControlResult::Gone;
  // User Interface Privilege Isolation refuses messages to a higher integrity level.
  return error == ERROR_ACCESS_DENIED ? ControlResult::Refused : ControlResult::NoAnswer;
}

// Sends with the time limit; Done with the message's result, or why it did not get through.
ControlResult SendLimited(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam,
                          DWORD_PTR& Result) {
  SetLastError(0);
  if (SendMessageTimeoutW(Window, Message, WParam, LParam, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                          Win32Controls::kSendMilliseconds, &Result) != 0) {
    return ControlResult::Done;
  }
  return FailureOf(Window);
}

// Tells the control's parent what a click or an edit would have told it. The parent is the
// control's real one: an installer page is an inner dialog, a radio group a window of its own.
ControlResult Notify(HWND Control, WORD Code, bool Wait) {
  HWND parent = GetParent(Control);
  if (parent == nullptr) return FailureOf(Control);
  const WPARAM command = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(Control)), Code);
  const auto control = reinterpret_cast<LPARAM>(Control);
  if (Wait) {
    DWORD_PTR ignored = 0;
    return SendLimited(parent, WM_COMMAND, command, control, ignored);
  }
  SetLastError(0);
  return PostMessageW(parent, WM_COMMAND, command, control) != FALSE ? ControlResult::Done
                                                                     : FailureOf(Control);
}

namespace {

// BM_SETCHECK sets one button only: the other self-checking radios of its group are cleared as
// a click clears them, walking the group as Windows does (GetNextDlgGroupItem: shown, enabled
// controls only, and into WS_EX_CONTROLPARENT children). The dialog it walks is the first
// window up that is not itself a control parent inside another.
void ClearGroup(HWND Radio) {
  HWND dialog = GetParent(Radio);
  while (dialog != nullptr && (GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0 &&
         (StyleOf(dialog) & WS_CHILD) != 0 && GetParent(dialog) != nullptr) {
    dialog = GetParent(dialog);
  }
  if (dialog == nullptr) return;
  // Bounded, should the walk never come back to the radio.
  constexpr int kMostInGroup = 256;
  HWND other = GetNextDlgGroupItem(dialog, Radio, FALSE);
  for (int i = 0; other != nullptr && other != Radio && i < kMostInGroup; ++i) {
    if ((StyleOf(other) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
        SameName(ClassOf(other), L"Button")) {
      DWORD_PTR ignored = 0;
      SendLimited(other, BM_SETCHECK, BST_UNCHECKED, 0, ignored);
    }
    other = GetNextDlgGroupItem(dialog, other, FALSE);
  }
}

}  // namespace

std::vector<ControlInfo> Win32Controls::ShownControls(WindowHandle Window) {
  ControlWalk walk{windows_, *this, nullptr, {}};
  if (Window == 0) return {};
  HWND window = ToHwnd(Window);
  // The focus of the window's thread, which is not ours: GetFocus only knows our own.
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  const DWORD threadId = GetWindowThreadProcessId(window, nullptr);
  if (threadId != 0 && GetGUIThreadInfo(threadId, &thread) != FALSE) walk.Focus = thread.hwndFocus;
  EnumChildWindows(window, CollectControl, reinterpret_cast<LPARAM>(&walk));
  return std::move(walk.Shown);
}

ControlResult Win32Controls::Press(WindowHandle Control) {
  HWND control = ToHwnd(Control);
  if (IsWindow(control) == FALSE) return ControlResult::Gone;
  // BM_CLICK may do nothing while the button's dialog is not active, and only our own thread's
  // windows can be made active; the parent is told of the click itself instead, as the button
  // would tell it. Posted: a page that starts its work on the click does not hold us.
  return Notify(control, BN_CLICKED, false);
}

DialogCodeReading Win32Controls::DialogCode(WindowHandle Control) {
  DWORD_PTR code = 0;
  const ControlResult result = SendLimited(ToHwnd(Control), WM_GETDLGCODE, 0, 0, code);
  return {result, static_cast<std::uint32_t>(code)};
}

// Posted, as the mouse's own messages are: nothing waits on the program, and neither the front
// nor the user's mouse is needed. The press and release fall in the middle of the button, where
// the program checks that they did.
ControlResult Win32Controls::MousePress(WindowHandle Control) {
  HWND control = ToHwnd(Control);
  RECT client{};
  SetLastError(0);
  if (GetClientRect(control, &client) == FALSE) return FailureOf(control);
  const LPARAM point =
      MAKELPARAM((client.left + client.right) / 2, (client.top + client.bottom) / 2);
  SetLastError(0);
  if (PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, point) == FALSE ||
      PostMessageW(control, WM_LBUTTONUP, 0, point) == FALSE) {
    return FailureOf(control);
  }
  return ControlResult::Done;
}

CheckReading Win32Controls::IsChecked(WindowHandle Control) {
  DWORD_PTR state = 0;
  const ControlResult result = SendLimited(ToHwnd(Control), BM_GETCHECK, 0, 0, state);
  return {result, result == ControlResult::Done && state == BST_CHECKED};
}

ControlResult Win32Controls::SetChecked(WindowHandle Control, bool Checked) {
  HWND control = ToHwnd(Control);
  if (IsWindow(control) == FALSE) return ControlResult::Gone;
  const LONG style = StyleOf(control);
  // A self-checking button changes its own state on a click, which BM_SETCHECK does here; any
  // other (a Windows Installer check box) is changed by its parent when told of the click.
  const bool selfChecking = SelfChecking(style);
  // SMTO_ABORTIFHUNG gives up at once on a thread that is already hung, and whether the message
  // then still waits for it is not said: nothing is set on such a page, so that box and page
  // cannot come to disagree.
  if (IsHungAppWindow(GetAncestor(control, GA_ROOT)) != FALSE) return ControlResult::NoAnswer;
  DWORD_PTR ignored = 0;
  if (selfChecking) {
    const ControlResult set =
        SendLimited(control, BM_SETCHECK, Checked ? BST_CHECKED : BST_UNCHECKED, 0, ignored);
    if (set != ControlResult::Done) return set;
    if (Checked && (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON) ClearGroup(control);
  }
  // BM_SETCHECK tells nobody; pages enable their Next button on the click's notification. A
  // time-out does not take the notification back: the page still handles it later, so the box
  // stays as clicked, as after a user's click, and the outcome is unknown (NoAnswer).
  return Notify(control, BN_CLICKED, true);
}

ControlResult Win32Controls::SetText(WindowHandle Control, const std::string& Text) {
  HWND control = ToHwnd(Control);
  const std::wstring wanted = Widen(Text);
  DWORD_PTR taken = 0;
  // WM_SETTEXT is a system message, so Windows copies the text into the other process.
  ControlResult result =
      SendLimited(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wanted.c_str()), taken);
  if (result != ControlResult::Done) return result;
  // A single-line edit sends EN_CHANGE itself, and a rich edit does when its page asked for it
  // (ENM_CHANGE); a multi-line edit set by WM_SETTEXT sends none.
  if ((StyleOf(control) & ES_MULTILINE) != 0 && !IsRichEdit(ClassOf(control))) {
    result = Notify(control, EN_CHANGE, true);
    if (result != ControlResult::Done) return result;
  }
  // Another program cannot read a password box's text: its own answer to WM_SETTEXT is all
  // there is to go by.
  if ((StyleOf(control) & ES_PASSWORD) != 0) {
    return taken != FALSE ? ControlResult::Done : ControlResult::NoEffect;
  }
  // Read back: a box may refuse or cut the text in its own handler (a subclassed box that checks
  // what it is given); neither a length limit (EM_SETLIMITTEXT) nor a number-only box (ES_NUMBER)
  // holds for WM_SETTEXT, only for typing.
  std::wstring shown(wanted.size() + 2, L'\0');
  DWORD_PTR copied = 0;
  result = SendLimited(control, WM_GETTEXT, shown.size(), reinterpret_cast<LPARAM>(shown.data()),
                       copied);
  if (result != ControlResult::Done) return result;
  shown.resize(copied < shown.size() ? copied : shown.size());
  return shown == wanted ? ControlResult::Done : ControlResult::NoEffect;
}

}  // namespace tollivox::win32
