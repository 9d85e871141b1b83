#include "bench_support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace tollivox::bench {

Arguments::Arguments(int Argc, wchar_t** Argv, int First) {
  for (int i = First; i < Argc; ++i) items_.emplace_back(Argv[i]);
}

std::optional<std::wstring> Arguments::Text(std::wstring_view Name) const {
  for (std::size_t i = 0; i + 1 < items_.size(); ++i) {
    if (items_[i].size() > 2 && items_[i].compare(0, 2, L"--") == 0 &&
        std::wstring_view(items_[i]).substr(2) == Name) {
      return items_[i + 1];
    }
  }
  return std::nullopt;
}

long long Arguments::Number(std::wstring_view Name, long long Default) const {
  const auto text = Text(Name);
  if (!text) return Default;
  wchar_t* end = nullptr;
  const long long value = std::wcstoll(text->c_str(), &end, 10);
  if (text->empty() || *end != L'\0') {
    std::fwprintf(stderr, L"bad number for --%.*ls: %ls\n", static_cast<int>(Name.size()),
                  Name.data(), text->c_str());
    std::exit(2);
  }
  return value;
}

double NowSeconds() {
  static const double frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<double>(value.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / frequency;
}

double Median(std::vector<double> Samples) {
  if (Samples.empty()) return 0;
  std::sort(Samples.begin(), Samples.end());
  const std::size_t middle = Samples.size() / 2;
  return Samples.size() % 2 != 0 ? Samples[middle] : (Samples[middle - 1] + Samples[middle]) / 2;
}

double Percentile(std::vector<double> Samples, double Percent) {
  if (Samples.empty()) return 0;
  std::sort(Samples.begin(), Samples.end());
  const double rank = std::ceil(Percent / 100.0 * static_cast<double>(Samples.size()));
  const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
  return Samples[std::min(index, Samples.size() - 1)];
}

std::wstring SelfPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring ProgramFolder() {
  std::wstring path = SelfPath();
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring Quoted(const std::wstring& Argument) {
  if (!Argument.empty() && Argument.find_first_of(L" \t\"") == std::wstring::npos) return Argument;
  return L"\"" + Argument + L"\"";
}

win32::KernelHandle StartProcess(const std::wstring& CommandLine, DWORD* ProcessId) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring line = CommandLine;  // CreateProcessW may write into it
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    std::fwprintf(stderr, L"cannot start %ls (error %lu)\n", CommandLine.c_str(), GetLastError());
    return win32::KernelHandle();
  }
  CloseHandle(info.hThread);
  if (ProcessId != nullptr) *ProcessId = info.dwProcessId;
  return win32::KernelHandle(info.hProcess);
}

long WaitForExit(HANDLE Process, DWORD Milliseconds) {
  if (WaitForSingleObject(Process, Milliseconds) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(Process, &code);
  return static_cast<long>(code);
}

// EnumWindows wants a CALLBACK (stdcall on 32-bit Windows), which a lambda is not.
static BOOL CALLBACK CloseWindowOf(HWND Window, LPARAM Param) {
  DWORD owner = 0;
  GetWindowThreadProcessId(Window, &owner);
  if (owner == *reinterpret_cast<const DWORD*>(Param)) PostMessageW(Window, WM_CLOSE, 0, 0);
  return TRUE;
}

void CloseOrEnd(HANDLE Process, DWORD ProcessId, DWORD Milliseconds) {
  EnumWindows(CloseWindowOf, reinterpret_cast<LPARAM>(&ProcessId));
  if (WaitForExit(Process, Milliseconds) < 0) {
    TerminateProcess(Process, 1);
    WaitForExit(Process, Milliseconds);
  }
}

std::wstring UniqueName(std::wstring_view Tag) {
  static unsigned counter = 0;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return std::wstring(Tag) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++counter) + L"-" + std::to_wstring(now.QuadPart % 1000000);
}

std::wstring TempFolder() {
  std::wstring path(MAX_PATH + 1, L'\0');
  const DWORD length = GetTempPathW(static_cast<DWORD>(path.size()), path.data());
  path.resize(length);
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

namespace {

LRESULT CALLBACK PlainWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  // Alt with a letter typed into a page would wait in its menu mode.
  if (Message == WM_SYSCOMMAND && (WParam & 0xFFF0) == SC_KEYMENU) return 0;
  return DefWindowProcW(Window, Message, WParam, LParam);
}

// Button superclassed under a framework's names (Inno Setup's), or under names no table knows, so
// that the page's controls are known by their family or only by asking them.
bool RegisterPageClasses() {
  const wchar_t* names[] = {L"TNewCheckBox", L"TNewButton", L"BenchAskedBox", L"BenchAskedButton"};
  for (const wchar_t* name : names) {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    if (GetClassInfoExW(nullptr, L"BUTTON", &description) == FALSE) return false;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = name;
    // Registered once per process; a second registration fails harmlessly.
    RegisterClassExW(&description);
  }
  return true;
}

// What an installer's licence page shows: the box already checked, so that checking it again
// only reads it, and Next; in the system's classes, a framework's, or classes asked what they are.
bool AddPageControls(HWND Window, std::wstring_view Family) {
  const bool framework = Family == L"framework";
  const bool asked = Family == L"asked";
  const auto add = [&](const wchar_t* Class, const wchar_t* Caption, DWORD Style, int Id) {
    return CreateWindowExW(0, Class, Caption, WS_CHILD | WS_VISIBLE | Style, 10, 10 + 30 * Id, 170,
                           24, Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                           GetModuleHandleW(nullptr), nullptr);
  };
  HWND accept = add(framework ? L"TNewCheckBox"
                    : asked   ? L"BenchAskedBox"
                              : L"BUTTON",
                    L"I &accept the terms", BS_AUTOCHECKBOX, 1);
  if (accept == nullptr || add(framework ? L"TNewButton"
                               : asked   ? L"BenchAskedButton"
                                         : L"BUTTON",
                               L"&Next >", BS_DEFPUSHBUTTON, 2) == nullptr) {
    return false;
  }
  SendMessageW(accept, BM_SETCHECK, BST_CHECKED, 0);
  return true;
}

}  // namespace

bool CreateTitledWindows(int Count, std::wstring_view TitleStem, bool Visible, bool Pages,
                         std::wstring_view Family) {
  if (Pages && !RegisterPageClasses()) return false;
  static const wchar_t kClassName[] = L"TollivoxBenchWindow";
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = PlainWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // Registered once per process; a second registration fails harmlessly.
  RegisterClassW(&windowClass);
  for (int i = 1; i <= Count; ++i) {
    const std::wstring title = PageTitle(TitleStem, i, Pages);
    HWND window = CreateWindowExW(WS_EX_NOACTIVATE, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                                  20 + i % 40 * 5, 20 + i % 30 * 5, 200, 120, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    if (window == nullptr || (Pages && !AddPageControls(window, Family))) return false;
    if (Visible) ShowWindow(window, SW_SHOWNOACTIVATE);
  }
  return true;
}

std::wstring PageTitle(std::wstring_view TitleStem, int Number, bool Pages) {
  const std::wstring number = std::to_wstring(Number);
  return std::wstring(TitleStem) + (Pages ? L" [" + number + L"]" : L" " + number);
}

WindowHolder::WindowHolder(int Count, std::wstring_view TitleStem, bool Pages,
                           std::wstring_view Family) {
  const std::wstring readyName = UniqueName(L"TollivoxBenchReady");
  const std::wstring quitName = UniqueName(L"TollivoxBenchQuit");
  win32::KernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
  quit_ = win32::KernelHandle(CreateEventW(nullptr, TRUE, FALSE, quitName.c_str()));
  process_ =
      StartProcess(Quoted(SelfPath()) + L" hold-windows " + std::to_wstring(Count) + L" " +
                   Quoted(std::wstring(TitleStem)) + L" " + readyName + L" " + quitName +
                   (Pages ? L" pages " + std::wstring(Family.empty() ? L"system" : Family) : L""));
  if (!process_.Valid() || !ready.Valid() || !quit_.Valid()) return;
  HANDLE waits[] = {ready.Get(), process_.Get()};
  ready_ = WaitForMultipleObjects(2, waits, FALSE, 120000) == WAIT_OBJECT_0;
}

WindowHolder::~WindowHolder() {
  if (quit_.Valid()) SetEvent(quit_.Get());
  if (process_.Valid() && WaitForExit(process_.Get(), 30000) < 0) {
    TerminateProcess(process_.Get(), 1);
  }
}

int RunHoldWindows(int Argc, wchar_t** Argv) {
  if (Argc < 6) return 2;
  const int count = static_cast<int>(std::wcstol(Argv[2], nullptr, 10));
  win32::KernelHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, Argv[4]));
  win32::KernelHandle quit(OpenEventW(SYNCHRONIZE, FALSE, Argv[5]));
  if (!ready.Valid() || !quit.Valid()) return 3;
  const bool pages = Argc > 6 && std::wstring_view(Argv[6]) == L"pages";
  if (!CreateTitledWindows(count, Argv[3], true, pages, Argc > 7 ? Argv[7] : L"")) return 3;
  SetEvent(ready.Get());
  // Serve the window messages (other processes may send some) until told to go.
  HANDLE quitHandle = quit.Get();
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &quitHandle, FALSE, INFINITE, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) return 0;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

MsgBoxAnswer StderrDialogs::ShowMessageBox(const std::string& Text, const std::string& Title,
                                           MsgBoxButtons Buttons, MsgBoxIcon /*Icon*/) {
  std::fprintf(stderr, "[box] %s: %s\n", Title.c_str(), Text.c_str());
  return Buttons == MsgBoxButtons::YesNo ? MsgBoxAnswer::No : MsgBoxAnswer::Ok;
}

}  // namespace tollivox::bench
