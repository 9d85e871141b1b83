#include "e2e_support.h"

// After <windows.h>: the shell header needs its types.
#include <shellapi.h>
#include <versionhelpers.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <regex>
#include <utility>

namespace tollivox::e2e {

namespace {

constexpr UINT kTrayIconId = 1;
// Id of the text of a message box on Windows.
constexpr int kBoxTextId = 0xFFFF;

std::wstring LastErrorText(std::wstring_view What) {
  return std::wstring(What) + L" failed with error " + std::to_wstring(GetLastError());
}

std::wstring WindowClass(HWND Window) {
  wchar_t name[64] = {};
  GetClassNameW(Window, name, static_cast<int>(std::size(name)));
  return name;
}

std::wstring WindowText(HWND Window) {
  // WM_GETTEXT crosses processes; GetWindowText would not read another process's controls.
  auto length = SendMessageW(Window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  auto copied =
      SendMessageW(Window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
  return text;
}

DWORD WindowProcess(HWND Window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(Window, &pid);
  return pid;
}

// Named, not a lambda: 32-bit Windows calls it with the stdcall convention.
BOOL CALLBACK CollectWindow(HWND Window, LPARAM Param) {
  reinterpret_cast<std::vector<HWND>*>(Param)->push_back(Window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> ChildWindows(HWND Parent) {
  std::vector<HWND> windows;
  EnumChildWindows(Parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// Deletes a folder and everything in it; failures are left for the next cleaning of %TEMP%.
void RemoveTree(const std::wstring& Folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = Folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(Folder.c_str());
}

std::wstring ModuleFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/"));
}

}  // namespace

std::wstring Widen(std::string_view Utf8) {
  if (Utf8.empty()) return {};
  int size =
      MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), wide.data(), size);
  return wide;
}

std::string Narrow(std::wstring_view Wide) {
  if (Wide.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, Wide.data(), static_cast<int>(Wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Wide.data(), static_cast<int>(Wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

namespace {

std::string FromAnsi(std::string_view Ansi) {
  if (Ansi.empty()) return {};
  int size = MultiByteToWideChar(CP_ACP, 0, Ansi.data(), static_cast<int>(Ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, Ansi.data(), static_cast<int>(Ansi.size()), wide.data(), size);
  return Narrow(wide);
}

}  // namespace

std::string AnsiRoundTrip(std::string_view Utf8) {
  std::wstring wide = Widen(Utf8);
  if (wide.empty()) return {};
  int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                      nullptr, nullptr);
  return FromAnsi(ansi);
}

bool WaitUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit) {
  auto deadline = std::chrono::steady_clock::now() + Limit;
  for (;;) {
    if (Done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return Done();
    std::this_thread::sleep_for(kPollInterval);
  }
}

// Polls Find until it returns a window; nullptr when none came within Limit.
HWND WaitForWindow(const std::function<HWND()>& Find, std::chrono::milliseconds Limit) {
  HWND window = nullptr;
  WaitUntil(
      [&] {
        window = Find();
        return window != nullptr;
      },
      Limit);
  return window;
}

std::string AppTitle() {
  return "Tollivox " + std::to_string(TOLLIVOX_VERSION_MAJOR) + "." +
         std::to_string(TOLLIVOX_VERSION_MINOR);
}

namespace {

std::wstring EnvironmentText(const wchar_t* Name) {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD length = GetEnvironmentVariableW(Name, value, static_cast<DWORD>(std::size(value)));
  if (length > 0 && length < std::size(value)) return value;
  return {};
}

}  // namespace

std::wstring BinDir() {
  // Set by the test registration; a run by hand finds the programs beside the test binary.
  std::wstring folder = EnvironmentText(L"TOLLIVOX_BIN_DIR");
  return folder.empty() ? ModuleFolder() : folder;
}

std::wstring BinProgram(std::wstring_view Name) { return BinDir() + L"\\" + std::wstring(Name); }

std::wstring InstalledProgram() { return EnvironmentText(L"TOLLIVOX_EXE"); }

std::wstring ShippedShutdown(const std::wstring& Folder) {
  return Folder + L"\\Shutdown.shipped.exe";
}

bool FileExists(const std::wstring& Path) {
  return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::wstring& Path) {
  // Shared every way, so the program's own opens of the file are not refused because of us.
  HANDLE file = CreateFileW(Path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

std::vector<std::string> FileNames(const std::wstring& Folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      names.push_back(Narrow(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::wstring ShortPath(const std::wstring& Path) {
  DWORD size = GetShortPathNameW(Path.c_str(), nullptr, 0);
  if (size == 0) return Path;
  std::wstring result(size, L'\0');
  size = GetShortPathNameW(Path.c_str(), result.data(), size);
  if (size == 0 || size >= result.size()) return Path;
  result.resize(size);
  return result;
}

// ---- ScratchDir ----

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(static_cast<DWORD>(std::size(temp)), temp);
  std::wstring base = temp;
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::wstring name = info ? Widen(info->name()) : L"test";
  // Table-driven names carry "/": not allowed in a folder name.
  std::replace(name.begin(), name.end(), L'/', L'-');
  path_ = base + L"\\tollivox-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter) + L"-" + name;
  RemoveTree(path_);
  if (!CreateDirectoryW(path_.c_str(), nullptr)) {
    ADD_FAILURE() << Narrow(LastErrorText(L"CreateDirectory " + path_));
  }
}

ScratchDir::~ScratchDir() {
  if (testing::Test::HasFailure()) {
    std::printf("  kept for inspection: %s\n", Narrow(path_).c_str());
    return;
  }
  RemoveTree(path_);
}

// ---- Process ----

Process::~Process() { Terminate(); }

Process::Process(Process&& Other) noexcept
    : handle_(std::exchange(Other.handle_, nullptr)), id_(std::exchange(Other.id_, 0)) {}

Process& Process::operator=(Process&& Other) noexcept {
  if (this != &Other) {
    Terminate();
    handle_ = std::exchange(Other.handle_, nullptr);
    id_ = std::exchange(Other.id_, 0);
  }
  return *this;
}

Process Process::Start(const std::wstring& Program, std::string_view Arguments,
                       const std::wstring& Folder) {
  std::wstring commandLine = L"\"" + Program + L"\"";
  if (!Arguments.empty()) commandLine += L" " + Widen(Arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  Process process;
  if (!CreateProcessW(Program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      Folder.c_str(), &startup, &info)) {
    ADD_FAILURE() << Narrow(LastErrorText(L"CreateProcess " + commandLine));
    return process;
  }
  CloseHandle(info.hThread);
  process.handle_ = info.hProcess;
  process.id_ = info.dwProcessId;
  return process;
}

bool Process::Running() const {
  return handle_ != nullptr && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(std::chrono::milliseconds Limit) {
  if (handle_ == nullptr) return std::nullopt;
  if (WaitForSingleObject(handle_, static_cast<DWORD>(Limit.count())) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(handle_, &code);
  return code;
}

void Process::Terminate() {
  if (handle_ == nullptr) return;
  if (Running()) {
    TerminateProcess(handle_, 99);
    WaitForSingleObject(handle_, 10000);
  }
  CloseHandle(handle_);
  handle_ = nullptr;
}

// ---- TestWindow ----

TestWindow::TestWindow(const ScratchDir& Scratch, std::string_view Title,
                       TestWindowOptions Options) {
  static std::atomic<int> counter{0};
  std::wstring stem = Scratch.File(L"testwin" + std::to_wstring(++counter));
  std::wstring ready = stem + L".ready";
  record_ = stem + L".record";
  state_ = stem + L".state";
  std::string arguments = "--title \"" + std::string(Title) + "\" --record \"" + Narrow(record_) +
                          "\" --state \"" + Narrow(state_) + "\" --ready \"" + Narrow(ready) + "\"";
  if (Options.Hidden) arguments += " --hidden";
  if (Options.Disabled) arguments += " --disabled";
  if (!Options.Extra.empty()) arguments += " " + Options.Extra;
  process_ = Process::Start(BinProgram(L"testwin.exe"), arguments, Scratch.Path());
  bool up = WaitUntil([&] { return FileExists(ready) || !process_.Running(); });
  std::string handle = ReadFileBytes(ready);
  if (!up || handle.empty()) {
    ADD_FAILURE() << "testwin \"" << Title << "\" did not come up";
    return;
  }
  window_ = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::stoull(handle)));
}

TestWindow::~TestWindow() { Close(); }

std::string TestWindow::Received() const { return ReadFileBytes(record_); }

std::string TestWindow::WaitForReceived(std::size_t Size, std::chrono::milliseconds Limit) const {
  std::string text;
  WaitUntil(
      [&] {
        text = Received();
        return text.size() >= Size;
      },
      Limit);
  return text;
}

std::vector<std::string> TestWindow::States() const {
  std::vector<std::string> states;
  std::string bytes = ReadFileBytes(state_);
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    states.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return states;
}

void TestWindow::Close() {
  if (!process_.Running()) return;
  if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
  if (!process_.WaitForExit(10s)) process_.Terminate();
}

// ---- Tollivox ----

Tollivox::Tollivox(const ScratchDir& Scratch)
    : program_(InstalledProgram()), folder_(Scratch.Path()), current_(Scratch.Path()) {
  if (program_.empty()) {
    program_ = folder_ + L"\\tollivox.exe";
    if (!CopyFileW(BinProgram(L"tollivox.exe").c_str(), program_.c_str(), FALSE)) {
      ADD_FAILURE() << Narrow(LastErrorText(L"CopyFile " + BinProgram(L"tollivox.exe")));
    }
  } else {
    folder_ = program_.substr(0, program_.find_last_of(L'\\'));
    // The shipped Shutdown.exe is kept aside, once, so that a test can still run it.
    MoveFileW((folder_ + L"\\Shutdown.exe").c_str(), ShippedShutdown(folder_).c_str());
  }
  // The program looks for Shutdown.exe beside itself: the stand-in only records its argument.
  std::wstring standIn = folder_ + L"\\Shutdown.exe";
  if (!CopyFileW(BinProgram(L"fake_shutdown.exe").c_str(), standIn.c_str(), FALSE)) {
    ADD_FAILURE() << Narrow(LastErrorText(L"CopyFile " + BinProgram(L"fake_shutdown.exe")));
  }
}

Tollivox::~Tollivox() { process_.Terminate(); }

void Tollivox::Start(std::string_view Arguments) {
  // Started from the scratch folder, as from a command prompt elsewhere: for an installed program
  // that is not its own folder.
  process_ = Process::Start(program_, Arguments, current_);
}

HWND Tollivox::WaitForConsole(std::chrono::milliseconds Limit) const {
  HWND console = nullptr;
  WaitUntil(
      [&] {
        console = FindConsole(process_.Id());
        return console != nullptr || !process_.Running();
      },
      Limit);
  return console;
}

// ---- the log ----

std::vector<LogLine> ReadLog(const std::wstring& Path) {
  std::vector<LogLine> lines;
  std::string bytes = ReadFileBytes(Path);
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log line without CR LF at its end: " << FromAnsi(bytes.substr(start));
      break;
    }
    std::string line = FromAnsi(bytes.substr(start, end - start));
    start = end + 2;
    // The stamp is "ddd mm/dd/yy hh:mm:ss", then ": ": the first ": " after two blanks.
    std::size_t second = line.find(' ', line.find(' ') + 1);
    std::size_t colon = second == std::string::npos ? second : line.find(": ", second);
    if (colon == std::string::npos) {
      ADD_FAILURE() << "log line without a stamp: " << line;
      continue;
    }
    lines.push_back({line.substr(0, colon), line.substr(colon + 2)});
  }
  return lines;
}

std::vector<std::string> LogTexts(const std::wstring& Path) {
  std::vector<std::string> texts;
  for (auto& line : ReadLog(Path)) texts.push_back(line.Text);
  return texts;
}

std::vector<std::string> WaitForLogLine(const std::wstring& Path, std::string_view Text,
                                        std::chrono::milliseconds Limit) {
  std::vector<std::string> texts;
  WIN32_FILE_ATTRIBUTE_DATA seen{};
  bool read = false;
  WaitUntil(
      [&] {
        // Read only when the file changed: our read would briefly count as a busy log.
        WIN32_FILE_ATTRIBUTE_DATA now{};
        if (!GetFileAttributesExW(Path.c_str(), GetFileExInfoStandard, &now)) return false;
        if (read && now.nFileSizeLow == seen.nFileSizeLow &&
            now.ftLastWriteTime.dwLowDateTime == seen.ftLastWriteTime.dwLowDateTime)
          return false;
        seen = now;
        read = true;
        texts = LogTexts(Path);
        return std::find(texts.begin(), texts.end(), Text) != texts.end();
      },
      Limit);
  return texts;
}

testing::AssertionResult IsTodaysStamp(const std::string& Stamp) {
  // Separators and the weekday's name follow the regional settings; the digits do not.
  static const std::regex kShape(
      R"(^(\S{2,}) (\d\d)[^\d ](\d\d)[^\d ](\d\d) (\d\d)[^\d ](\d\d)[^\d ](\d\d)$)");
  std::smatch parts;
  if (!std::regex_match(Stamp, parts, kShape))
    return testing::AssertionFailure() << "stamp \"" << Stamp << "\" is not ddd mm/dd/yy hh:mm:ss";
  auto number = [&](int Index) { return std::stoi(parts[Index].str()); };
  if (number(5) > 23 || number(6) > 59 || number(7) > 59)
    return testing::AssertionFailure() << "stamp \"" << Stamp << "\" has no real time of day";
  SYSTEMTIME now;
  GetLocalTime(&now);
  // Yesterday's date is fine too when the run crossed midnight.
  FILETIME fileTime;
  SystemTimeToFileTime(&now, &fileTime);
  ULARGE_INTEGER ticks{{fileTime.dwLowDateTime, fileTime.dwHighDateTime}};
  ticks.QuadPart -= 24ull * 3600 * 10000000;
  FILETIME earlierTime{ticks.LowPart, ticks.HighPart};
  SYSTEMTIME earlier;
  FileTimeToSystemTime(&earlierTime, &earlier);
  for (const SYSTEMTIME& day : {now, earlier}) {
    if (number(2) == day.wMonth && number(3) == day.wDay && number(4) == day.wYear % 100) {
      // The weekday as the regional settings name it.
      wchar_t weekday[16] = {};
      GetDateFormatW(LOCALE_USER_DEFAULT, 0, &day, L"ddd", weekday,
                     static_cast<int>(std::size(weekday)));
      if (parts[1].str() != AnsiRoundTrip(Narrow(weekday)))
        return testing::AssertionFailure() << "stamp \"" << Stamp << "\" names the weekday "
                                           << parts[1].str() << ", not " << Narrow(weekday);
      return testing::AssertionSuccess();
    }
  }
  return testing::AssertionFailure() << "stamp \"" << Stamp << "\" does not carry today's date";
}

// ---- message boxes ----

HWND FindMessageBox(DWORD Pid, std::string_view Title) {
  std::wstring title = Widen(Title);
  for (HWND window : TopLevelWindows()) {
    if (WindowProcess(window) == Pid && IsWindowVisible(window) &&
        WindowClass(window) == L"#32770" && WindowText(window) == title)
      return window;
  }
  return nullptr;
}

std::size_t MessageBoxCount(DWORD Pid) {
  std::size_t count = 0;
  for (HWND window : TopLevelWindows()) {
    if (WindowProcess(window) == Pid && IsWindowVisible(window) && WindowClass(window) == L"#32770")
      ++count;
  }
  return count;
}

HWND WaitForMessageBox(DWORD Pid, std::string_view Title, std::chrono::milliseconds Limit) {
  return WaitForWindow([&] { return FindMessageBox(Pid, Title); }, Limit);
}

namespace {

bool IsIconStatic(HWND Window) {
  return _wcsicmp(WindowClass(Window).c_str(), L"Static") == 0 &&
         (GetWindowLongW(Window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

}  // namespace

std::string MessageBoxText(HWND Box) {
  if (HWND text = GetDlgItem(Box, kBoxTextId)) return Narrow(WindowText(text));
  // Wine numbers the text control otherwise: the one text label of the box.
  std::wstring longest;
  for (HWND child : ChildWindows(Box)) {
    if (_wcsicmp(WindowClass(child).c_str(), L"Static") != 0 || IsIconStatic(child)) continue;
    std::wstring text = WindowText(child);
    if (text.size() > longest.size()) longest = text;
  }
  return Narrow(longest);
}

std::string ToString(BoxIcon Icon) {
  switch (Icon) {
    case BoxIcon::None:
      return "none";
    case BoxIcon::Information:
      return "information";
    case BoxIcon::Critical:
      return "critical";
    case BoxIcon::Question:
      return "question";
    case BoxIcon::Warning:
      return "warning";
  }
  return "?";
}

namespace {

// Pixels of a Width x Height area, top-down, 32 bits each.
class Pixels {
 public:
  Pixels(int Width, int Height) : width_(Width), height_(Height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = Width;
    info.bmiHeader.biHeight = -Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ =
        CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Pixels() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Pixels(const Pixels&) = delete;
  Pixels& operator=(const Pixels&) = delete;

  HDC Dc() const { return dc_; }
  bool Valid() const { return bits_ != nullptr; }
  std::uint32_t At(int X, int Y) const { return bits_[Y * width_ + X] & 0xFFFFFF; }
  void Fill(std::uint32_t Color) { std::fill(bits_, bits_ + width_ * height_, Color); }
  std::uint64_t Difference(const Pixels& Other) const {
    std::uint64_t sum = 0;
    for (int i = 0; i < width_ * height_; ++i) {
      for (int shift : {0, 8, 16}) {
        int a = static_cast<int>((bits_[i] >> shift) & 0xFF);
        int b = static_cast<int>((Other.bits_[i] >> shift) & 0xFF);
        sum += static_cast<std::uint64_t>(std::abs(a - b));
      }
    }
    return sum;
  }

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

}  // namespace

BoxIcon MessageBoxIcon(HWND Box) {
  HWND icon = nullptr;
  for (HWND child : ChildWindows(Box)) {
    if (IsIconStatic(child) && IsWindowVisible(child)) icon = child;
  }
  if (icon == nullptr) return BoxIcon::None;
  RECT area;
  GetWindowRect(icon, &area);
  int width = std::min<int>(area.right - area.left, GetSystemMetrics(SM_CXICON));
  int height = std::min<int>(area.bottom - area.top, GetSystemMetrics(SM_CYICON));
  if (width <= 0 || height <= 0) return BoxIcon::None;

  // The box may still be painting: look until one icon matches clearly.
  BoxIcon best = BoxIcon::None;
  WaitUntil(
      [&] {
        Pixels screen(width, height);
        HDC screenDc = GetDC(nullptr);
        BitBlt(screen.Dc(), 0, 0, width, height, screenDc, area.left, area.top, SRCCOPY);
        ReleaseDC(nullptr, screenDc);
        std::uint64_t bestDifference = std::numeric_limits<std::uint64_t>::max();
        std::uint64_t secondDifference = bestDifference;
        for (auto [kind, id] :
             {std::pair{BoxIcon::Information, IDI_ASTERISK}, std::pair{BoxIcon::Critical, IDI_HAND},
              std::pair{BoxIcon::Question, IDI_QUESTION},
              std::pair{BoxIcon::Warning, IDI_EXCLAMATION}}) {
          Pixels drawn(width, height);
          // The icon's transparent corner shows the box's background.
          drawn.Fill(screen.At(0, 0));
          DrawIconEx(drawn.Dc(), 0, 0, LoadIconW(nullptr, id), 0, 0, 0, nullptr, DI_NORMAL);
          std::uint64_t difference = screen.Difference(drawn);
          if (difference < bestDifference) {
            secondDifference = bestDifference;
            bestDifference = difference;
            best = kind;
          } else if (difference < secondDifference) {
            secondDifference = difference;
          }
        }
        return bestDifference * 4 < secondDifference;
      },
      5s);
  return best;
}

void PressButton(HWND Box, int Id) {
  HWND button = GetDlgItem(Box, Id);
  PostMessageW(Box, WM_COMMAND, MAKEWPARAM(Id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

HWND FindWindowTitled(std::string_view Title) {
  std::wstring title = Widen(Title);
  for (HWND window : TopLevelWindows()) {
    if (IsWindowVisible(window) && WindowText(window) == title) return window;
  }
  return nullptr;
}

HWND WaitForWindowTitled(std::string_view Title, std::chrono::milliseconds Limit) {
  return WaitForWindow([&] { return FindWindowTitled(Title); }, Limit);
}

// ---- console and tray ----

HWND FindConsole(DWORD Pid) {
  std::wstring title = Widen(AppTitle());
  for (HWND window : TopLevelWindows()) {
    if (WindowProcess(window) == Pid && WindowClass(window) != L"#32770" &&
        WindowText(window) == title)
      return window;
  }
  return nullptr;
}

bool TrayIconExists(HWND Console) {
  // A change that changes nothing: the shell accepts it only for an icon it holds.
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = Console;
  data.uID = kTrayIconId;
  data.uFlags = 0;
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool TaskBarReported() {
  // Since Windows 7 the task bar is always on top without the shell saying so.
  if (IsWindows7OrGreater()) return true;
  APPBARDATA data{};
  data.cbSize = sizeof data;
  return (SHAppBarMessage(ABM_GETSTATE, &data) & 0xFFFF) != 0;
}

HWND FindChildByText(HWND Parent, std::string_view Text) {
  std::wstring wanted = Widen(Text);
  for (HWND child : ChildWindows(Parent)) {
    if (WindowText(child) == wanted) return child;
  }
  return nullptr;
}

void ClickButton(HWND Button) {
  PostMessageW(GetParent(Button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Button), BN_CLICKED),
               reinterpret_cast<LPARAM>(Button));
}

std::string TextOf(HWND Window) { return Narrow(WindowText(Window)); }

void PostTrayNotification(HWND Console, UINT Mouse) {
  // The icon's callback message, WM_APP + 1; the icon id in wParam, the mouse message in lParam.
  constexpr UINT kTrayCallbackMessage = WM_APP + 1;
  PostMessageW(Console, kTrayCallbackMessage, kTrayIconId, static_cast<LPARAM>(Mouse));
}

HWND FindPopupMenu(DWORD Pid) {
  for (HWND window : TopLevelWindows()) {
    if (WindowProcess(window) == Pid && IsWindowVisible(window) && WindowClass(window) == L"#32768")
      return window;
  }
  return nullptr;
}

HWND WaitForPopupMenu(DWORD Pid, std::chrono::milliseconds Limit) {
  return WaitForWindow([&] { return FindPopupMenu(Pid); }, Limit);
}

// ---- E2eTest ----

TestWindow& E2eTest::Window(std::string_view Title, TestWindowOptions Options) {
  windows_.push_back(std::make_unique<TestWindow>(Scratch, Title, std::move(Options)));
  return *windows_.back();
}

Tollivox& E2eTest::Program() {
  if (!program_) program_ = std::make_unique<Tollivox>(Scratch);
  return *program_;
}

Tollivox& E2eTest::StartProgram(std::string_view Arguments) {
  Program().Start(Arguments);
  return *program_;
}

}  // namespace tollivox::e2e
