#include "stress_support.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "platform/win32/text.h"

namespace tollivox::stress {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;  // FILETIME counts 100 ns

std::int64_t Ticks(const FILETIME& Time) {
  return (static_cast<std::int64_t>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime;
}

FILETIME FromTicks(std::int64_t Value) {
  FILETIME time{};
  time.dwLowDateTime = static_cast<DWORD>(Value & 0xFFFFFFFF);
  time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(Value) >> 32);
  return time;
}

// Reads the decimal number at the front of Text and moves past it; false when there is none.
bool TakeNumber(std::string_view& Text, int& Number) {
  const char* first = Text.data();
  const char* last = first + std::min<std::size_t>(Text.size(), 9);
  auto [end, error] = std::from_chars(first, last, Number);
  if (error != std::errc() || end == first) return false;
  Text.remove_prefix(static_cast<std::size_t>(end - first));
  return true;
}

bool TakeText(std::string_view& Text, std::string_view Expected) {
  if (Text.substr(0, Expected.size()) != Expected) return false;
  Text.remove_prefix(Expected.size());
  return true;
}

// Splits one line (without its line end) into copy and line number; false unless it is one whole
// dated line as a driver copy writes it.
bool ParseLine(std::string_view Line, const std::set<std::string>& Stamps, int& Copy, int& Seq) {
  const std::size_t separator = Line.find(": copy=");
  if (separator == std::string_view::npos) return false;
  if (Stamps.count(std::string(Line.substr(0, separator))) == 0) return false;
  std::string_view rest = Line.substr(separator + 2);
  std::string_view payload = rest;
  if (!TakeText(rest, "copy=") || !TakeNumber(rest, Copy) || !TakeText(rest, " seq=") ||
      !TakeNumber(rest, Seq)) {
    return false;
  }
  return payload == Payload(Copy, Seq);
}

// Calls OnLine for every line that ends with CR LF, and OnTorn for a last piece without one.
template <class LineFn>
void ForEachLine(std::string_view Content, LineFn&& OnLine, bool& TornTail) {
  TornTail = false;
  std::size_t start = 0;
  while (start < Content.size()) {
    const std::size_t end = Content.find("\r\n", start);
    if (end == std::string_view::npos) {
      TornTail = true;
      return;
    }
    OnLine(Content.substr(start, end - start));
    start = end + 2;
  }
}

}  // namespace

std::string Payload(int Copy, int Seq) {
  std::string text = "copy=" + std::to_string(Copy) + " seq=" + std::to_string(Seq) + " ";
  const std::uint32_t mix =
      static_cast<std::uint32_t>(Copy) * 2654435761u ^ static_cast<std::uint32_t>(Seq) * 40503u;
  const int length = 16 + static_cast<int>(mix % 80);
  for (int i = 0; i < length; ++i) text += static_cast<char>('a' + (Copy + Seq + i) % 26);
  return text;
}

std::set<std::string> StampsBetween(const SYSTEMTIME& From, const SYSTEMTIME& To) {
  SYSTEMTIME from = From;
  from.wMilliseconds = 0;
  FILETIME first{};
  FILETIME last{};
  // Local wall-clock times go through FILETIME only to count seconds; no time zone is applied.
  SystemTimeToFileTime(&from, &first);
  SystemTimeToFileTime(&To, &last);
  std::set<std::string> stamps;
  for (std::int64_t tick = Ticks(first) - kTicksPerSecond; tick <= Ticks(last) + kTicksPerSecond;
       tick += kTicksPerSecond) {
    const FILETIME time = FromTicks(tick);
    SYSTEMTIME when{};
    FileTimeToSystemTime(&time, &when);
    stamps.insert(win32::FormatLogDate(when.wYear, when.wMonth, when.wDay, when.wDayOfWeek) + " " +
                  win32::FormatLogTime(when.wHour, when.wMinute, when.wSecond));
  }
  return stamps;
}

LogFigures CheckLog(std::string_view Content, const std::vector<CopyPlan>& Plans,
                    const std::set<std::string>& Stamps) {
  LogFigures figures;
  std::vector<std::vector<int>> seen(Plans.size());
  std::vector<int> lastSeq(Plans.size(), 0);
  for (std::size_t i = 0; i < Plans.size(); ++i) {
    figures.Expected += Plans[i].Lines;
    seen[i].assign(static_cast<std::size_t>(Plans[i].Lines) + 1, 0);
  }

  bool tornTail = false;
  ForEachLine(
      Content,
      [&](std::string_view Line) {
        int copy = 0;
        int seq = 0;
        if (!ParseLine(Line, Stamps, copy, seq) || copy < 1 ||
            copy > static_cast<int>(Plans.size()) || seq < 1 || seq > Plans[copy - 1].Lines) {
          ++figures.Torn;
          return;
        }
        const std::size_t index = static_cast<std::size_t>(copy - 1);
        ++figures.Found;
        if (++seen[index][static_cast<std::size_t>(seq)] > 1) {
          ++figures.Duplicated;
          return;
        }
        if (seq < lastSeq[index]) {
          ++figures.OutOfOrder;
        } else {
          lastSeq[index] = seq;
        }
        if (Plans[index].FailedSeq > 0 && seq >= Plans[index].FailedSeq) ++figures.AfterFailure;
      },
      tornTail);
  if (tornTail) ++figures.Torn;

  for (std::size_t i = 0; i < Plans.size(); ++i) {
    // A copy that ended with the box owes the lines before the one the box was about.
    const int owed = Plans[i].FailedSeq > 0 ? Plans[i].FailedSeq - 1 : Plans[i].Lines;
    for (int seq = 1; seq <= owed; ++seq) {
      if (seen[i][static_cast<std::size_t>(seq)] == 0) ++figures.Lost;
    }
  }
  return figures;
}

int LastSeqOf(std::string_view Content, int Copy, const std::set<std::string>& Stamps) {
  int last = 0;
  bool tornTail = false;
  ForEachLine(
      Content,
      [&](std::string_view Line) {
        int copy = 0;
        int seq = 0;
        if (ParseLine(Line, Stamps, copy, seq) && copy == Copy) last = std::max(last, seq);
      },
      tornTail);
  return last;
}

std::string QuietConsole::Text(Control Which) {
  auto found = texts_.find(Which);
  return found == texts_.end() ? std::string() : found->second;
}

MsgBoxAnswer ReportingDialogs::ShowMessageBox(const std::string& Text, const std::string&,
                                              MsgBoxButtons, MsgBoxIcon) {
  // Written before the caller ends the process, which closes nothing of ours on the way out.
  (void)WriteWholeFile(reportPath_, "seq=" + std::to_string(Seq) + "\n" + Text);
  return MsgBoxAnswer::Ok;
}

BoxReport ReadBoxReport(const std::wstring& Path) {
  BoxReport report;
  if (!FileExists(Path)) return report;
  const std::string content = ReadWholeFile(Path);
  std::string_view rest = content;
  if (!TakeText(rest, "seq=") || !TakeNumber(rest, report.FailedSeq) || !TakeText(rest, "\n")) {
    // A report the driver could not finish still means a box came up.
    report.FailedSeq = -1;
  }
  report.Text = std::string(rest);
  return report;
}

std::string ReadWholeFile(const std::wstring& Path) {
  win32::KernelHandle file(CreateFileW(Path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string content;
  if (!file.Valid()) return content;
  char buffer[64 * 1024];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) != FALSE && got > 0) {
    content.append(buffer, got);
  }
  return content;
}

bool WriteWholeFile(const std::wstring& Path, std::string_view Content) {
  win32::KernelHandle file(CreateFileW(Path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  DWORD written = 0;
  return WriteFile(file.Get(), Content.data(), static_cast<DWORD>(Content.size()), &written,
                   nullptr) != FALSE &&
         written == Content.size();
}

bool FileExists(const std::wstring& Path) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring ProgramFolder() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring Quoted(const std::wstring& Argument) { return L"\"" + Argument + L"\""; }

Child::~Child() {
  if (Running()) Kill();
}

bool Child::Start(const std::wstring& CommandLine) {
  std::wstring line = CommandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &info) == FALSE) {
    return false;
  }
  CloseHandle(info.hThread);
  process_ = win32::KernelHandle(info.hProcess);
  return true;
}

bool Child::Running() const {
  return process_.Valid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

int Child::Wait(DWORD TimeoutMs) {
  if (!process_.Valid()) return -1;
  if (WaitForSingleObject(process_.Get(), TimeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.Get(), &code);
  return static_cast<int>(code);
}

void Child::Kill() {
  if (!process_.Valid()) return;
  TerminateProcess(process_.Get(), 99);
  WaitForSingleObject(process_.Get(), 10000);
}

win32::KernelHandle MakeEvent(const std::wstring& Name) {
  return win32::KernelHandle(CreateEventW(nullptr, TRUE, FALSE, Name.c_str()));
}

}  // namespace tollivox::stress
