// testwin: a target window for end-to-end tests. It shows one top-level window
// with a multi-line edit box and reports what happens to it through files, so a
// test can judge what a user would have seen.
//
// Usage: testwin.exe --title TEXT [options]
//   --record FILE      append, as UTF-8, every character the edit box receives
//                      (Enter "\n", Tab "\t", Backspace "\b", Esc "{ESC}", Ctrl+x
//                      "^x", Alt+x "%x") and every key that gives none, as
//                      "{VK:hh}" behind any "+", "^", "%" for Shift, Ctrl, Alt
//   --label TEXT       add a label control captioned TEXT, as a dialog page shows
//   --button TEXT      add a push button captioned TEXT; a press is recorded in the
//                      state file as "pressed"
//   --disabled-page    put the button on an inner page that is disabled, as a page
//                      whose program is at work
//   --hidden           create the window without showing it
//   --disabled         create the window disabled
//   --delay-ms N       create the window only N ms after start
//   --retitle-ms N --new-title TEXT
//                      change the title N ms after the window was created
//   --close-ms N       close the window N ms after it was created
//   --vanish-on-activate
//                      destroy the window the moment it is activated again
//                      after it has once lost the activation, as a dialog does
//                      that closes itself just as another program turns to it
//   --take-front-back
//                      whenever the window loses the activation, bring it to
//                      the front again at once, as some programs do to keep
//                      the user's attention
//   --ready FILE       write the window handle (decimal) and a newline once the
//                      window is up and its message loop runs
//   --state FILE       append one line per change of show state or activation
//   --exit-code N      exit code when the window is closed (default 0)
//   --hang-after-keys N
//                      once the first character has arrived, stop answering:
//                      the only thread sleeps N ms (state "hung", then
//                      "answering"), as a busy installer does
// Bad usage exits with code 2 without showing anything; a file that cannot be
// written exits with code 3, so a test never reads a silently short record.

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kUsageExitCode = 2;
constexpr int kFailureExitCode = 3;
constexpr UINT_PTR kRetitleTimer = 1;
constexpr UINT_PTR kCloseTimer = 2;
constexpr UINT kReadyMessage = WM_APP + 1;
constexpr const wchar_t* kPageClass = L"TollivoxTestPage";
constexpr UINT kHangMessage = WM_APP + 2;
constexpr UINT kTakeFrontMessage = WM_APP + 3;
constexpr int kEditId = 100;

struct Options {
  std::optional<std::wstring> Title;
  std::wstring RecordFile;
  std::wstring ReadyFile;
  std::wstring StateFile;
  std::optional<std::wstring> NewTitle;
  std::optional<std::wstring> Label;
  std::optional<std::wstring> Button;
  bool Hidden = false;
  bool Disabled = false;
  bool DisabledPage = false;
  bool VanishOnActivate = false;
  bool TakeFrontBack = false;
  DWORD DelayMs = 0;
  std::optional<UINT> RetitleMs;
  std::optional<UINT> CloseMs;
  std::optional<DWORD> HangMs;
  int ExitCode = 0;
};

Options gOptions;
HWND gEdit = nullptr;
WNDPROC gEditProc = nullptr;
wchar_t gHighSurrogate = 0;
enum class SizeState { Restored, Minimized, Maximized } gSizeState = SizeState::Restored;
bool gVanishArmed = false;
bool gHangArmed = true;

std::string ToUtf8(std::wstring_view Text) {
  if (Text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), result.data(), size,
                      nullptr, nullptr);
  return result;
}

// Opened and closed per write, shared, so a test can read or delete it at any
// time. A reader holding it without sharing only delays us briefly.
void AppendToFile(const std::wstring& Path, const std::string& Text) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE file = CreateFileW(Path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      BOOL ok = WriteFile(file, Text.data(), static_cast<DWORD>(Text.size()), &written, nullptr);
      CloseHandle(file);
      if (ok && written == Text.size()) return;
    }
    Sleep(10);
  }
  ExitProcess(kFailureExitCode);
}

// Written under a temporary name and renamed, so a test that sees the file
// never sees half a line.
void WriteReadyFile(HWND Window) {
  std::wstring temporary = gOptions.ReadyFile + L".tmp";
  DeleteFileW(temporary.c_str());
  AppendToFile(temporary, std::to_string(reinterpret_cast<std::uintptr_t>(Window)) + "\n");
  if (!MoveFileExW(temporary.c_str(), gOptions.ReadyFile.c_str(), MOVEFILE_REPLACE_EXISTING))
    ExitProcess(kFailureExitCode);
}

void Record(const std::string& Text) {
  if (!gOptions.RecordFile.empty()) AppendToFile(gOptions.RecordFile, Text);
}

void RecordState(const char* State) {
  if (!gOptions.StateFile.empty()) AppendToFile(gOptions.StateFile, std::string(State) + "\n");
}

// Characters arrive as UTF-16 code units; a pair is recorded as one character.
void RecordChar(wchar_t Unit) {
  if (IS_HIGH_SURROGATE(Unit)) {
    if (gHighSurrogate != 0) Record("\xEF\xBF\xBD");
    gHighSurrogate = Unit;
    return;
  }
  if (IS_LOW_SURROGATE(Unit)) {
    if (gHighSurrogate != 0) {
      wchar_t pair[2] = {gHighSurrogate, Unit};
      gHighSurrogate = 0;
      Record(ToUtf8({pair, 2}));
    } else {
      Record("\xEF\xBF\xBD");
    }
    return;
  }
  if (gHighSurrogate != 0) {
    gHighSurrogate = 0;
    Record("\xEF\xBF\xBD");
  }
  switch (Unit) {
    case L'\r':
      Record("\n");
      return;
    case L'\t':
      Record("\t");
      return;
    case L'\b':
      Record("\b");
      return;
    case 0x1B:
      Record("{ESC}");
      return;
    case 0x7F:
      Record("{CH:7f}");
      return;  // Ctrl+Backspace
    default:
      break;
  }
  if (Unit < 0x20) {
    // Ctrl+letter gives 1..26; Ctrl+@ [ \ ] ^ _ give 0 and 27..31.
    char letter = static_cast<char>(Unit + 0x40);
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
    Record(std::string("^") + letter);
    return;
  }
  Record(ToUtf8({&Unit, 1}));
}

bool IsNonCharacterKey(WPARAM Key) {
  return (Key >= VK_F1 && Key <= VK_F24) || (Key >= VK_PRIOR && Key <= VK_DOWN) ||
         Key == VK_INSERT || Key == VK_DELETE;
}

// Modifiers are written in front as in key notation, so "^{HOME}" and "{HOME}"
// can be told apart; without modifiers the text is plain "{VK:hh}".
void RecordKey(WPARAM Key, bool AltDown) {
  std::string text;
  if (GetKeyState(VK_SHIFT) < 0) text += '+';
  if (GetKeyState(VK_CONTROL) < 0) text += '^';
  if (AltDown) text += '%';
  char code[16];
  std::snprintf(code, sizeof code, "{VK:%02x}", static_cast<unsigned>(Key & 0xFF));
  Record(text + code);
}

LRESULT CALLBACK EditProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_CHAR:
      RecordChar(static_cast<wchar_t>(WParam));
      // Sleeps once this key is done with, so that it is recorded as received.
      if (gOptions.HangMs && gHangArmed) {
        gHangArmed = false;
        PostMessageW(GetParent(Window), kHangMessage, 0, 0);
      }
      break;
    case WM_SYSCHAR: {
      // Swallowed: passed on, Alt+letter would beep or open the system menu
      // and eat the keys that follow.
      auto character = static_cast<wchar_t>(WParam);
      Record("%" + ToUtf8({&character, 1}));
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Bit 29 is Alt; F10 alone also comes as a system key.
      if (IsNonCharacterKey(WParam)) RecordKey(WParam, (LParam & (1 << 29)) != 0);
      break;
    default:
      break;
  }
  return CallWindowProcW(gEditProc, Window, Message, WParam, LParam);
}

void NoteSizeState(SizeState State, const char* Text) {
  if (State == gSizeState) return;  // moves and resizes repeat the same state
  gSizeState = State;
  RecordState(Text);
}

LRESULT CALLBACK MainProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_CREATE: {
      gEdit = CreateWindowExW(
          WS_EX_CLIENTEDGE, L"EDIT", L"",
          WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 0,
          0, 0, Window, reinterpret_cast<HMENU>(kEditId), GetModuleHandleW(nullptr), nullptr);
      if (gEdit == nullptr) return -1;
      if (gOptions.Label &&
          CreateWindowExW(0, L"STATIC", gOptions.Label->c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 200,
                          20, Window, nullptr, GetModuleHandleW(nullptr), nullptr) == nullptr) {
        return -1;
      }
      // The inner page is where an installer's buttons stand; disabled, it disables them
      // without a word to them.
      HWND buttonParent = Window;
      if (gOptions.DisabledPage) {
        buttonParent = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"",
                                       WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 24, 200, 30, Window,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
        if (buttonParent == nullptr) return -1;
      }
      if (gOptions.Button &&
          CreateWindowExW(0, L"BUTTON", gOptions.Button->c_str(),
                          WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, gOptions.DisabledPage ? 0 : 24,
                          100, 24, buttonParent, nullptr, GetModuleHandleW(nullptr),
                          nullptr) == nullptr) {
        return -1;
      }
      gEditProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(gEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
      return 0;
    }
    case WM_SIZE:
      if (WParam == SIZE_MINIMIZED) {
        NoteSizeState(SizeState::Minimized, "minimized");
      } else {
        if (WParam == SIZE_MAXIMIZED) NoteSizeState(SizeState::Maximized, "maximized");
        if (WParam == SIZE_RESTORED) NoteSizeState(SizeState::Restored, "restored");
        MoveWindow(gEdit, 0, 0, LOWORD(LParam), HIWORD(LParam), TRUE);
      }
      return 0;
    case WM_COMMAND:
      if (HIWORD(WParam) == BN_CLICKED && LParam != 0) RecordState("pressed");
      return 0;
    case WM_SHOWWINDOW:
      RecordState(WParam ? "shown" : "hidden");
      break;
    case WM_ACTIVATE:
      if (LOWORD(WParam) == WA_INACTIVE) {
        RecordState("deactivated");
        gVanishArmed = gOptions.VanishOnActivate;
        // Not in the middle of the activation change: once it is through.
        if (gOptions.TakeFrontBack) PostMessageW(Window, kTakeFrontMessage, 0, 0);
        break;
      }
      RecordState("activated");
      if (gVanishArmed) {
        // Gone before the activation returns to whoever asked for it.
        RecordState("vanished");
        DestroyWindow(Window);
        return 0;
      }
      // Keep the keys going to the edit box each time the window comes back.
      if (!HIWORD(WParam)) {
        SetFocus(gEdit);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      SetFocus(gEdit);
      return 0;
    case WM_SYSCOMMAND:
      // A tap of Alt or F10 would put the window in menu mode, where the
      // following keys never reach the edit box.
      if ((WParam & 0xFFF0) == SC_KEYMENU) return 0;
      break;
    case WM_TIMER:
      KillTimer(Window, WParam);
      if (WParam == kRetitleTimer) SetWindowTextW(Window, gOptions.NewTitle->c_str());
      if (WParam == kCloseTimer) PostMessageW(Window, WM_CLOSE, 0, 0);
      return 0;
    case kReadyMessage:
      WriteReadyFile(Window);
      return 0;
    case kTakeFrontMessage:
      SetForegroundWindow(Window);
      return 0;
    case kHangMessage:
      RecordState("hung");
      Sleep(*gOptions.HangMs);
      RecordState("answering");
      return 0;
    case WM_DESTROY:
      PostQuitMessage(gOptions.ExitCode);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(Window, Message, WParam, LParam);
}

// The inner page hands its buttons' notifications to the window, as a wizard's page does.
LRESULT CALLBACK PageProc(HWND Page, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_COMMAND) return SendMessageW(GetParent(Page), Message, WParam, LParam);
  return DefWindowProcW(Page, Message, WParam, LParam);
}

// Whole text must be a number in range; a test typo should fail loudly.
std::optional<long long> ParseNumber(const wchar_t* Text, long long Min, long long Max) {
  if (*Text == L'\0') return std::nullopt;
  wchar_t* end = nullptr;
  errno = 0;
  long long value = std::wcstoll(Text, &end, 10);
  if (errno != 0 || *end != L'\0' || value < Min || value > Max) return std::nullopt;
  return value;
}

bool ParseOptions(int Count, wchar_t** Args, Options& Result) {
  for (int i = 1; i < Count; ++i) {
    std::wstring_view name = Args[i];
    if (name == L"--hidden") {
      Result.Hidden = true;
      continue;
    }
    if (name == L"--disabled") {
      Result.Disabled = true;
      continue;
    }
    if (name == L"--disabled-page") {
      Result.DisabledPage = true;
      continue;
    }
    if (name == L"--vanish-on-activate") {
      Result.VanishOnActivate = true;
      continue;
    }
    if (name == L"--take-front-back") {
      Result.TakeFrontBack = true;
      continue;
    }
    if (i + 1 >= Count) return false;
    const wchar_t* value = Args[++i];
    if (name == L"--title") {
      Result.Title = value;
    } else if (name == L"--new-title") {
      Result.NewTitle = value;
    } else if (name == L"--label") {
      Result.Label = value;
    } else if (name == L"--button") {
      Result.Button = value;
    } else if (name == L"--record" || name == L"--ready" || name == L"--state") {
      if (*value == L'\0') return false;
      (name == L"--record"  ? Result.RecordFile
       : name == L"--ready" ? Result.ReadyFile
                            : Result.StateFile) = value;
    } else if (name == L"--exit-code") {
      auto number = ParseNumber(value, INT32_MIN, INT32_MAX);
      if (!number) return false;
      Result.ExitCode = static_cast<int>(*number);
    } else if (name == L"--hang-after-keys") {
      auto number = ParseNumber(value, 1, USER_TIMER_MAXIMUM);
      if (!number) return false;
      Result.HangMs = static_cast<DWORD>(*number);
    } else if (name == L"--delay-ms" || name == L"--retitle-ms" || name == L"--close-ms") {
      // USER_TIMER_MAXIMUM bounds all three, which is far beyond any test.
      auto number = ParseNumber(value, 0, USER_TIMER_MAXIMUM);
      if (!number) return false;
      auto ms = static_cast<UINT>(*number);
      if (name == L"--delay-ms")
        Result.DelayMs = ms;
      else if (name == L"--retitle-ms")
        Result.RetitleMs = ms;
      else
        Result.CloseMs = ms;
    } else {
      return false;
    }
  }
  return Result.Title.has_value() && Result.RetitleMs.has_value() == Result.NewTitle.has_value();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, PWSTR, int ShowCommand) {
  int argCount = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &argCount);
  if (args == nullptr || !ParseOptions(argCount, args, gOptions)) return kUsageExitCode;
  LocalFree(args);

  if (gOptions.DelayMs > 0) Sleep(gOptions.DelayMs);

  WNDCLASSEXW pageClass{};
  pageClass.cbSize = sizeof pageClass;
  pageClass.lpfnWndProc = PageProc;
  pageClass.hInstance = Instance;
  pageClass.lpszClassName = kPageClass;
  if (RegisterClassExW(&pageClass) == 0) return kFailureExitCode;

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainProc;
  windowClass.hInstance = Instance;
  windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"TollivoxTestWindow";
  if (RegisterClassExW(&windowClass) == 0) return kFailureExitCode;

  HWND window =
      CreateWindowExW(0, windowClass.lpszClassName, gOptions.Title->c_str(), WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr, nullptr, Instance, nullptr);
  if (window == nullptr) return kFailureExitCode;
  if (gOptions.Disabled) EnableWindow(window, FALSE);
  if (!gOptions.Hidden) {
    // The show mode our starter asked for (SW_SHOWDEFAULT when it asked for none), so a
    // test can see the state a launcher gave the first window.
    ShowWindow(window, ShowCommand);
    UpdateWindow(window);
  }
  // No SetFocus here: on a hidden window it would activate it. Showing
  // activates, and WM_ACTIVATE hands the focus to the edit box.
  if (gOptions.RetitleMs) SetTimer(window, kRetitleTimer, *gOptions.RetitleMs, nullptr);
  if (gOptions.CloseMs) SetTimer(window, kCloseTimer, *gOptions.CloseMs, nullptr);
  // Posted, so the file appears only once the loop below is serving the window.
  if (!gOptions.ReadyFile.empty()) PostMessageW(window, kReadyMessage, 0, 0);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
