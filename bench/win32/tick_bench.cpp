// One watch tick of the real form over the real window services, against the bare window calls
// the tick cannot do without: the walk, the two title reads per window and entry, the
// upper-casing and the search. Both run in the same rounds, in alternating order, so that a
// noisy machine slows them alike. Layers of the bare loop show where the time of a tick goes.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "bench_support.h"
#include "platform/win32/text.h"

namespace tollivox::bench {

namespace {

volatile std::uintptr_t gSink = 0;

// How far a bare loop goes for each window.
enum class Depth { Walk, Read, Floor };

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
    wanted.resize(static_cast<std::size_t>(
        UpperInto(Entry.c_str(), static_cast<int>(Entry.size()), wanted)));
  }
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (Level == Depth::Walk) {
      gSink = gSink + reinterpret_cast<std::uintptr_t>(window);
      continue;
    }
    const int length = GetWindowTextLengthW(window);
    int copied = 0;
    if (length > 0) {
      if (Title.size() < static_cast<std::size_t>(length) + 1) {
        Title.resize(static_cast<std::size_t>(length) + 1);
      }
      copied = GetWindowTextW(window, Title.data(), length + 1);
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

int CountTopLevelWindows() {
  int count = 0;
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    ++count;
  }
  return count;
}

}  // namespace

int RunTickBench(const Arguments& Args) {
  const int windowCount = static_cast<int>(Args.Number(L"windows", 200));
  const int entryCount = static_cast<int>(Args.Number(L"entries", 10));
  const int rounds = static_cast<int>(Args.Number(L"rounds", 100));
  const bool inHelper = Args.Text(L"windows-in").value_or(L"helper") != L"self";
  const bool pump = Args.Flag(L"pump");
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
  QuietLoop quietLoop;
  PumpLoop pumpLoop;
  IEventLoop& loop = pump ? static_cast<IEventLoop&>(pumpLoop) : quietLoop;
  QuietTray tray;
  Platform os{windows, keyboard, launcher, files, dialogs, clock, system, view, timer, loop, tray};
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

  struct Row {
    const char* Name;
    std::vector<double> Samples;
  };
  std::vector<Row> rows = {{"walk only (GetDesktopWindow, GetWindow)", {}},
                           {"walk + GetWindowTextLengthW/GetWindowTextW", {}},
                           {"bare floor: + upper-casing and search", {}},
                           {"real tick (frmZandrel over Win32Windows)", {}}};
  auto measure = [&](std::size_t Row) {
    const double start = NowSeconds();
    switch (Row) {
      case 0:
        BareTick(entries, Depth::Walk);
        break;
      case 1:
        BareTick(entries, Depth::Read);
        break;
      case 2:
        BareTick(entries, Depth::Floor);
        break;
      default:
        form.tmrWaitForWindow_Timer();
        break;
    }
    return (NowSeconds() - start) * 1000.0;
  };
  // Warm both sides up, then alternate the order round by round.
  for (int i = 0; i < 3; ++i) {
    for (std::size_t row = 0; row < rows.size(); ++row) measure(row);
  }
  std::vector<double> pairRatios;
  for (int round = 0; round < rounds; ++round) {
    std::vector<double> took(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const std::size_t row = round % 2 == 0 ? k : rows.size() - 1 - k;
      took[row] = measure(row);
    }
    for (std::size_t row = 0; row < rows.size(); ++row) rows[row].Samples.push_back(took[row]);
    pairRatios.push_back(took[3] / took[2]);
  }

  const int walked = CountTopLevelWindows();
  std::printf("tick: %d top-level windows walked (%d of them the benchmark's, %s), %d entries, "
              "%d rounds, %s\n",
              walked, windowCount, inHelper ? "in a helper process" : "in this process",
              entryCount, rounds, pump ? "real message pump" : "quiet yields");
  for (const Row& row : rows) {
    const double median = Median(row.Samples);
    std::printf("  %-46s median %8.3f ms  p90 %8.3f ms  per title read %6.2f us\n", row.Name,
                median, Percentile(row.Samples, 90),
                median * 1000.0 / (static_cast<double>(walked) * entryCount));
  }
  const double floor = Median(rows[2].Samples);
  const double tick = Median(rows[3].Samples);
  std::printf("  real tick / bare floor: ratio of medians %.3f, median of per-round ratios %.3f"
              " (goal <= 1.05)\n",
              tick / floor, Median(pairRatios));
  return 0;
}

}  // namespace tollivox::bench
