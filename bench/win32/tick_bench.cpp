// One watch tick of the real form over the real window services, against the bare window calls
// the tick cannot do without: the walk, one title read per window and entry, the upper-casing and
// the search. Both run in the same rounds, in alternating order, so that a
// noisy machine slows them alike. Layers of the bare loop show where the time of a tick goes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "bench_support.h"
#include "platform/win32/controls.h"
#include "platform/win32/text.h"

namespace tollivox::bench {

namespace {

volatile std::uintptr_t gSink = 0;

// How far a bare loop goes for each window. ReadTwice asks for the length before reading, as
// the tick did before it read each title with one call.
enum class Depth { Walk, ReadTwice, Read, Floor };

// Upper case after the user's locale rules, written into Out; the length written.
int UpperInto(const wchar_t* Text, int Length, std::wstring& Out) {
  if (Length <= 0) return 0;
  if (Out.size() < static_cast<std::size_t>(Length)) Out.resize(static_cast<std::size_t>(Length));
  return LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE, Text, Length, Out.data(), Length,
                       nullptr, nullptr, 0);
}

// The bare window calls of one tick: every entry walks the windows until its text is found.
HWND BareSearch(const std::wstring& Entry, Depth Level, std::wstring& Title, std::wstring& Upper) {
  std::wstring wanted;
  if (Level == Depth::Floor) {
    wanted.resize(Entry.size());
    wanted.resize(
        static_cast<std::size_t>(UpperInto(Entry.c_str(), static_cast<int>(Entry.size()), wanted)));
  }
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (Level == Depth::Walk) {
      gSink = gSink + reinterpret_cast<std::uintptr_t>(window);
      continue;
    }
    int copied = 0;
    if (Level == Depth::ReadTwice) {
      const int length = GetWindowTextLengthW(window);
      if (length > 0) {
        if (Title.size() < static_cast<std::size_t>(length) + 1) {
          Title.resize(static_cast<std::size_t>(length) + 1);
        }
        copied = GetWindowTextW(window, Title.data(), length + 1);
      }
      gSink = gSink + static_cast<std::uintptr_t>(copied);
      continue;
    }
    // One read into a kept buffer, grown and read again while a title fills it.
    if (Title.size() < 256) Title.resize(256);
    for (;;) {
      copied = GetWindowTextW(window, Title.data(), static_cast<int>(Title.size()));
      if (copied + 2 < static_cast<int>(Title.size())) break;
      Title.resize(Title.size() * 2);
    }
    if (Level == Depth::Read) {
      gSink = gSink + static_cast<std::uintptr_t>(copied);
      continue;
    }
    const int upperLength = UpperInto(Title.data(), copied, Upper);
    if (std::wstring_view(Upper.data(), static_cast<std::size_t>(upperLength)).find(wanted) !=
        std::wstring_view::npos) {
      return window;
    }
  }
  return nullptr;
}

void BareTick(const std::vector<std::wstring>& Entries, Depth Level) {
  std::wstring title;
  std::wstring upper;
  for (const std::wstring& entry : Entries) {
    gSink = gSink + reinterpret_cast<std::uintptr_t>(BareSearch(entry, Level, title, upper));
  }
}

// CPU time of this thread; wall time under Wine includes waiting for the wineserver and for the
// process that owns the windows.
double ThreadCpuSeconds() {
  FILETIME creation, exit, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& Time) {
    return static_cast<double>(static_cast<std::uint64_t>(Time.dwHighDateTime) << 32 |
                               Time.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

enum class StringPath { Floor, Tick, Reused };

// The tick's conversions with every buffer kept from title to title, the two UTF-8 results
// included: what the tick's string work would cost without any allocation.
class ReusedUpper {
 public:
  std::string_view TitleToUtf8(const std::wstring& Title) {
    return Convert(Title.data(), static_cast<int>(Title.size()), narrow_);
  }
  std::string_view Upper(std::string_view Text) {
    if (wide_.size() < Text.size()) wide_.resize(Text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()),
                                           wide_.data(), static_cast<int>(wide_.size()));
    LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE, wide_.data(), length, wide_.data(),
                  length, nullptr, nullptr, 0);
    return Convert(wide_.data(), length, upper_);
  }

 private:
  static std::string_view Convert(const wchar_t* Text, int Length, std::string& Buffer) {
    if (Buffer.size() < static_cast<std::size_t>(Length) * 3) {
      Buffer.resize(static_cast<std::size_t>(Length) * 3);
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, Text, Length, Buffer.data(),
                                         static_cast<int>(Buffer.size()), nullptr, nullptr);
    return std::string_view(Buffer.data(), static_cast<std::size_t>(size > 0 ? size : 0));
  }
  std::string narrow_;
  std::wstring wide_;
  std::string upper_;
};

// The string work a tick does for every title it reads, without reading any.
void StringWork(const std::vector<std::wstring>& Titles, const std::vector<std::wstring>& Entries,
                StringPath Path, ISystem& System) {
  std::wstring upper;
  for (const std::wstring& entry : Entries) {
    if (Path == StringPath::Floor) {
      std::wstring wanted(entry.size(), L'\0');
      wanted.resize(static_cast<std::size_t>(
          UpperInto(entry.c_str(), static_cast<int>(entry.size()), wanted)));
      for (const std::wstring& title : Titles) {
        const int length = UpperInto(title.data(), static_cast<int>(title.size()), upper);
        gSink =
            gSink + std::wstring_view(upper.data(), static_cast<std::size_t>(length)).find(wanted);
      }
      continue;
    }
    const std::string wanted = System.ToUpper(win32::Narrow(entry));
    if (Path == StringPath::Reused) {
      ReusedUpper reused;
      for (const std::wstring& title : Titles) {
        gSink = gSink + reused.Upper(reused.TitleToUtf8(title)).find(wanted);
      }
      continue;
    }
    for (const std::wstring& title : Titles) {
      // As the tick has a title: UTF-8 from the window services, then the platform's upper case.
      gSink = gSink + System.ToUpper(win32::Narrow(title)).find(wanted);
    }
  }
}

}  // namespace

int RunTickBench(const Arguments& Args) {
  const int windowCount = static_cast<int>(Args.Number(L"windows", 200));
  const int entryCount = static_cast<int>(Args.Number(L"entries", 10));
  const int rounds = static_cast<int>(Args.Number(L"rounds", 100));
  const bool inHelper = Args.Text(L"windows-in").value_or(L"helper") != L"self";
  const std::wstring stem = UniqueName(L"Bench Document");

  std::optional<WindowHolder> holder;
  if (inHelper) {
    holder.emplace(windowCount, stem);
    if (!holder->Ready()) {
      std::fprintf(stderr, "tick: the window holder did not come up\n");
      return 1;
    }
  } else if (!CreateTitledWindows(windowCount, stem, true)) {
    std::fprintf(stderr, "tick: cannot create the windows\n");
    return 1;
  }

  win32::Win32Windows windows;
  win32::Win32System system;
  win32::Win32Clock clock;
  QuietKeyboard keyboard;
  QuietLauncher launcher;
  win32::Win32Files files(UniqueName(L"Local\\TollivoxBenchInstance"));
  StderrDialogs dialogs;
  QuietView view;
  QuietTimer timer;
  QuietLoop loop;
  QuietTray tray;
  win32::Win32Controls controls(windows);
  Platform os{windows, keyboard, launcher, files, dialogs, clock,
              system,  view,     timer,    loop,  tray,    controls};
  frmZandrel form(os);
  form.ConsoleMode = 2;  // no tray icon
  form.WindowCount = static_cast<std::int16_t>(entryCount);
  form.WindowStrings.Redim(entryCount);
  form.TimeoutSeconds.Redim(entryCount);
  std::vector<std::wstring> entries;
  for (int i = 1; i <= entryCount; ++i) {
    const std::string text = "Setup Wizard " + std::to_string(i);
    form.WindowStrings[i] = text;
    form.TimeoutSeconds[i] = -1;  // never given up
    entries.push_back(win32::Widen(text));
  }

  // The same entries, each with a text for the window to show; their titles match no window, so
  // no window's controls are read. And the worst case: every entry's title matches every one of
  // the benchmark's windows, none of which shows the text, so each has its controls read.
  frmZandrel withTexts(os);
  frmZandrel everyTitle(os);
  for (frmZandrel* other : {&withTexts, &everyTitle}) {
    other->ConsoleMode = 2;
    other->WindowCount = form.WindowCount;
    other->WindowStrings.Redim(entryCount);
    other->TimeoutSeconds.Redim(entryCount);
    other->WindowTexts.Redim(entryCount);
    for (int i = 1; i <= entryCount; ++i) {
      other->WindowStrings[i] = other == &withTexts ? form.WindowStrings[i] : win32::Narrow(stem);
      other->TimeoutSeconds[i] = -1;
      other->WindowTexts[i] = "License Agreement " + std::to_string(i);
    }
  }

  // Both sides must do the same work: find the same window for a title that is there, and none
  // for the entries, or the comparison means nothing.
  const std::wstring present = stem + L" " + std::to_wstring(windowCount / 2 + 1);
  std::wstring title;
  std::wstring upper;
  const HWND bareFound = BareSearch(present, Depth::Floor, title, upper);
  const WindowHandle formFound = form.FindWindowByTitle(win32::Narrow(present));
  if (bareFound == nullptr ||
      formFound != static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(bareFound))) {
    std::fprintf(stderr, "tick: the bare loop and the form disagree on a present title\n");
    return 1;
  }
  for (const std::wstring& entry : entries) {
    if (BareSearch(entry, Depth::Floor, title, upper) != nullptr) {
      std::fprintf(stderr, "tick: an entry matches a window; pick other titles\n");
      return 1;
    }
  }

  // The titles as one walk finds them, for the rows that time the string work alone.
  std::vector<std::wstring> titles;
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        std::max(0, GetWindowTextW(window, text.data(), static_cast<int>(text.size())))));
    titles.push_back(text);
  }
  const int walked = static_cast<int>(titles.size());

  struct Row {
    const char* Name;
    std::function<void()> Body;
    std::vector<double> Samples;
    double CpuMs = 0;  // summed over the rounds
  };
  std::vector<Row> rows = {
      {"walk only (GetDesktopWindow, GetWindow)", [&] { BareTick(entries, Depth::Walk); }, {}},
      {"walk + GetWindowTextLengthW/GetWindowTextW",
       [&] { BareTick(entries, Depth::ReadTwice); },
       {}},
      {"walk + GetWindowTextW", [&] { BareTick(entries, Depth::Read); }, {}},
      {"bare floor: + upper-casing and search", [&] { BareTick(entries, Depth::Floor); }, {}},
      {"real tick (frmZandrel over Win32Windows)", [&] { form.tmrWaitForWindow_Timer(); }, {}},
      {"real tick, every entry with a window text",
       [&] { withTexts.tmrWaitForWindow_Timer(); },
       {}},
      {"real tick, texts, every title matching", [&] { everyTitle.tmrWaitForWindow_Timer(); }, {}},
      // The tick less its status texts, log calls and timeout checks.
      {"the form's title search alone, every entry",
       [&] {
         for (int i = 1; i <= entryCount; ++i) {
           gSink = gSink + form.FindWindowByTitle(form.WindowStrings[i]);
         }
       },
       {}},
      // The string work of a tick without the window calls: what the floor does, what the tick
      // does, and the tick's work without the allocations of its two UTF-8 results.
      {"strings only, floor: LCMapStringEx once + find",
       [&] { StringWork(titles, entries, StringPath::Floor, system); },
       {}},
      {"strings only, tick: UTF-8 title + ToUpper + find",
       [&] { StringWork(titles, entries, StringPath::Tick, system); },
       {}},
      {"strings only, tick with every buffer kept",
       [&] { StringWork(titles, entries, StringPath::Reused, system); },
       {}},
  };
  constexpr std::size_t kFloorRow = 3;
  constexpr std::size_t kTickRow = 4;
  constexpr std::size_t kTextsRow = 5;
  std::vector<double> textRatios;
  auto measure = [&](std::size_t Index) {
    const double cpu = ThreadCpuSeconds();
    const double start = NowSeconds();
    rows[Index].Body();
    const double took = (NowSeconds() - start) * 1000.0;
    rows[Index].CpuMs += (ThreadCpuSeconds() - cpu) * 1000.0;
    return took;
  };
  // Warm every row up, then alternate the order round by round.
  for (int i = 0; i < 3; ++i) {
    for (std::size_t row = 0; row < rows.size(); ++row) measure(row);
  }
  for (Row& row : rows) row.CpuMs = 0;
  std::vector<double> pairRatios;
  for (int round = 0; round < rounds; ++round) {
    std::vector<double> took(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const std::size_t row = round % 2 == 0 ? k : rows.size() - 1 - k;
      took[row] = measure(row);
    }
    for (std::size_t row = 0; row < rows.size(); ++row) rows[row].Samples.push_back(took[row]);
    pairRatios.push_back(took[kTickRow] / took[kFloorRow]);
    textRatios.push_back(took[kTextsRow] / took[kTickRow]);
  }

  std::printf(
      "tick: %d top-level windows walked (%d of them the benchmark's, %s), %d entries, "
      "%d rounds\n",
      walked, windowCount, inHelper ? "in a helper process" : "in this process", entryCount,
      rounds);
  for (const Row& row : rows) {
    const double median = Median(row.Samples);
    std::printf("  %-50s median %8.3f ms  p90 %8.3f ms  per visit %7.2f us  CPU %8.3f ms\n",
                row.Name, median, Percentile(row.Samples, 90),
                median * 1000.0 / (static_cast<double>(walked) * entryCount), row.CpuMs / rounds);
  }
  const double floor = Median(rows[kFloorRow].Samples);
  const double tick = Median(rows[kTickRow].Samples);
  std::printf(
      "  real tick / bare floor: ratio of medians %.3f, median of per-round ratios %.3f"
      " (goal <= 1.05)\n",
      tick / floor, Median(pairRatios));
  std::printf(
      "  tick with texts / tick without: ratio of medians %.3f, median of per-round ratios %.3f\n",
      Median(rows[kTextsRow].Samples) / tick, Median(textRatios));
  return 0;
}

}  // namespace tollivox::bench
