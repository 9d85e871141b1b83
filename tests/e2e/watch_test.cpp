// The watch as a user runs it: windows come up, are found, get their keys, and the program ends
// by itself once every watched string has been dealt with.
#include <gmock/gmock.h>

#include <algorithm>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

constexpr const char* kDealtWith = "Dealt with all windows for counts and timeouts specified";
constexpr const char* kUnloaded = ">>>>> Unloaded";

std::string Looking(const std::string& Entry) {
  return "Looking for window containing \"" + Entry + "\" string...";
}
std::string Found(const std::string& Entry) {
  return "Found window containing \"" + Entry + "\" string...";
}
std::string NotFound(const std::string& Entry) { return "'" + Entry + "' window not found."; }
std::string Sending(const std::string& Keys) { return "Sending \"" + Keys + "\" keystrokes..."; }
std::string CountReached(int Count, const std::string& Entry) {
  return "Count of " + std::to_string(Count) + " for '" + Entry +
         "' window reached; Window removed.";
}
std::string TimedOut(int Seconds, const std::string& Entry) {
  return "Timeout of " + std::to_string(Seconds) + " seconds for '" + Entry +
         "' window reached; Window removed from search list";
}
std::string Loaded(const std::string& CommandLine) {
  return ">>>>> Loaded with '" + CommandLine + "'";
}

using E2eWatch = E2eTest;

TEST_F(E2eWatch, TypicalRunTypesEnterUntilTheDefaultTimeoutAndEndsByItself) {
  TestWindow& setup = Window("Product Setup");
  const std::string arguments = "/W:Setup /K:{ENTER} /L:run.log";
  Tollivox& program = StartProgram(arguments);

  // While it runs: the console stays out of the way and its icon is in the tray.
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);
  WaitForLogLine(LogPath(), Found("Setup"));
  EXPECT_TRUE(WaitUntil([&] { return TrayIconExists(console); }, 5s));
  EXPECT_TRUE(!IsWindowVisible(console) || IsIconic(console));
  if (TaskBarReported()) {
    EXPECT_FALSE(IsWindowVisible(console));
  }

  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_FALSE(TrayIconExists(console));

  std::vector<LogLine> log = ReadLog(LogPath());
  for (const LogLine& line : log) EXPECT_TRUE(IsTodaysStamp(line.Stamp));
  std::vector<std::string> texts = LogTexts(LogPath());
  // Loaded, then one search, find and Enter per tick, then the timeout and the end.
  ASSERT_GE(texts.size(), 7u) << testing::PrintToString(texts);
  EXPECT_EQ(texts.front(), Loaded(arguments));
  std::vector<std::string> ticks(texts.begin() + 1, texts.end() - 3);
  ASSERT_EQ(ticks.size() % 3, 0u) << testing::PrintToString(texts);
  for (std::size_t i = 0; i < ticks.size(); i += 3) {
    EXPECT_THAT(
        std::vector(ticks.begin() + static_cast<long>(i), ticks.begin() + static_cast<long>(i) + 3),
        ElementsAre(Looking("Setup"), Found("Setup"), Sending("{ENTER}")));
  }
  EXPECT_THAT(std::vector(texts.end() - 3, texts.end()),
              ElementsAre(TimedOut(3, "Setup"), kDealtWith, kUnloaded));

  // One Enter arrived for every "Sending" line, and nothing else.
  std::size_t sent = ticks.size() / 3;
  EXPECT_EQ(setup.WaitForReceived(sent), std::string(sent, '\n'));
}

TEST_F(E2eWatch, EachEntryTypesOnlyItsOwnKeysIntoItsOwnWindow) {
  TestWindow& alpha = Window("Alpha window");
  TestWindow& beta = Window("Beta window");
  const std::string arguments = "/W:Alpha,Beta /K:abc,xyz /C:1,1 /T:60,60 /L:run.log";
  Tollivox& program = StartProgram(arguments);
  EXPECT_EQ(program.WaitForExit(), kExitFinished);

  EXPECT_THAT(LogTexts(LogPath()),
              ElementsAre(Loaded(arguments), Looking("Alpha"), Found("Alpha"), Sending("abc"),
                          CountReached(1, "Alpha"), Looking("Beta"), Found("Beta"), Sending("xyz"),
                          CountReached(1, "Beta"), kDealtWith, kUnloaded));
  EXPECT_EQ(alpha.WaitForReceived(3), "abc");
  EXPECT_EQ(beta.WaitForReceived(3), "xyz");
}

TEST_F(E2eWatch, SendKeysOnAnyWindowTypesEveryEntrysKeysIntoEachWindowActedOn) {
  TestWindow& alpha = Window("Alpha window");
  TestWindow& beta = Window("Beta window");
  const std::string arguments = "/W:Alpha,Beta /K:ab,xy /S:1 /C:1,1 /T:60,60 /L:run.log";
  Tollivox& program = StartProgram(arguments);
  EXPECT_EQ(program.WaitForExit(), kExitFinished);

  EXPECT_THAT(
      LogTexts(LogPath()),
      ElementsAre(Loaded(arguments), Looking("Alpha"), Found("Alpha"), Sending("ab"), Sending("xy"),
                  CountReached(1, "Alpha"), Looking("Beta"), Found("Beta"), Sending("ab"),
                  Sending("xy"), CountReached(1, "Beta"), kDealtWith, kUnloaded));
  EXPECT_EQ(alpha.WaitForReceived(4), "abxy");
  EXPECT_EQ(beta.WaitForReceived(4), "abxy");
}

// A window that is missing, hidden or disabled is not acted on; the entry times out.
TEST_F(E2eWatch, EntryWithoutAUsableWindowTimesOutAndTheProgramEnds) {
  struct Case {
    const char* Name;
    bool Exists;
    bool Hidden;
    bool Disabled;
  };
  const Case cases[] = {
      {"no window", false, false, false},
      {"hidden window", true, true, false},
      {"disabled window", true, false, true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Name);
    ScratchDir scratch;
    std::unique_ptr<TestWindow> target;
    if (test.Exists) {
      TestWindowOptions options;
      options.Hidden = test.Hidden;
      options.Disabled = test.Disabled;
      target = std::make_unique<TestWindow>(scratch, "Quarry window", options);
    }
    const std::string arguments = "/W:Quarry /K:q /T:1 /I:300 /L:run.log";
    Tollivox program(scratch);
    auto started = std::chrono::steady_clock::now();
    program.Start(arguments);
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
    auto elapsed = std::chrono::steady_clock::now() - started;

    std::vector<std::string> texts = LogTexts(scratch.File(L"run.log"));
    // At least one full visit before the timeout gives the entry up; on an idle machine about
    // three (a one-second timeout, a tick every 0.3 s), but a slow start-up can use up the second
    // before the first tick, and then the first visit is also the last.
    ASSERT_GE(texts.size(), 6u) << testing::PrintToString(texts);
    EXPECT_EQ(texts.front(), Loaded(arguments));
    std::vector<std::string> ticks(texts.begin() + 1, texts.end() - 3);
    ASSERT_EQ(ticks.size() % 2, 0u) << testing::PrintToString(texts);
    for (std::size_t i = 0; i < ticks.size(); i += 2) {
      EXPECT_EQ(ticks[i], Looking("Quarry"));
      EXPECT_EQ(ticks[i + 1], NotFound("Quarry"));
    }
    EXPECT_THAT(std::vector(texts.end() - 3, texts.end()),
                ElementsAre(TimedOut(1, "Quarry"), kDealtWith, kUnloaded));
    EXPECT_GE(elapsed, 1s);
    if (target) {
      EXPECT_THAT(target->Received(), IsEmpty());
    }
  }
}

TEST_F(E2eWatch, WithoutALogPathNoLogFileIsWritten) {
  Tollivox& program = StartProgram("/W:Quarry /T:1 /I:300");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_THAT(FileNames(Scratch.Path()), ElementsAre("Shutdown.exe", "tollivox.exe"));
}

TEST_F(E2eWatch, NewWindowsEntryActsOnlyOnWindowsCreatedAfterStartUntilItsCount) {
  TestWindow& old = Window("Old window");
  const std::string arguments = "/W:$NEW /K:n /C:2 /I:300 /L:run.log";
  Tollivox& program = StartProgram(arguments);
  // The windows present at start are recorded before the first tick.
  WaitForLogLine(LogPath(), "Looking for new windows...");
  TestWindow& fresh = Window("Fresh window");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);

  std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts.front(), Loaded(arguments));
  // Ticks before the window came up only look; then two ticks act on it.
  std::vector<std::string> acting;
  for (std::size_t i = 1; i < texts.size(); ++i) {
    if (texts[i] != "Looking for new windows...") acting.push_back(texts[i]);
  }
  EXPECT_THAT(acting, ElementsAre("New window found (\"Fresh window\")...", Sending("n"),
                                  "New window found (\"Fresh window\")...", Sending("n"),
                                  CountReached(2, "$NEW"), kDealtWith, kUnloaded));
  EXPECT_EQ(fresh.WaitForReceived(2), "nn");
  EXPECT_THAT(old.Received(), IsEmpty());
}

TEST_F(E2eWatch, AllWindowsEntryActsOnEveryWindowOfTheTickInWhichItsCountIsReached) {
  TestWindow& first = Window("First window");
  TestWindow& second = Window("Second window");
  const std::string arguments = "/W:$ALL /K:k /C:1 /I:300 /L:run.log";
  Tollivox& program = StartProgram(arguments);
  EXPECT_EQ(program.WaitForExit(), kExitFinished);

  std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_GE(texts.size(), 4u) << testing::PrintToString(texts);
  EXPECT_EQ(texts[0], Loaded(arguments));
  EXPECT_EQ(texts[1], "Executing applicable actions for all windows...");
  // The first window acted on reaches the count; the rest of the tick still acts, with the
  // entry already blank.
  auto countLine = std::find(texts.begin(), texts.end(), CountReached(1, "$ALL"));
  EXPECT_NE(countLine, texts.end()) << testing::PrintToString(texts);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Acting on window \"First window\"..."),
            texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Acting on window \"Second window\"..."),
            texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), CountReached(2, "")), texts.end());
  EXPECT_THAT(std::vector(texts.end() - 2, texts.end()), ElementsAre(kDealtWith, kUnloaded));
  EXPECT_EQ(first.WaitForReceived(1), "k");
  EXPECT_EQ(second.WaitForReceived(1), "k");
}

TEST_F(E2eWatch, NewWindowsEntryWithATextActsOnlyOnTheWindowShowingIt) {
  const std::string arguments = "/W:$NEW /X:\"trial has expired\" /K:{ESC}q /C:1 /I:300 /L:run.log";
  Tollivox& program = StartProgram(arguments);
  WaitForLogLine(LogPath(), "Looking for new windows with \"trial has expired\" text...");
  TestWindow& plain = Window("Orbit Trial", {.Extra = "--label \"Days left: 3\""});
  TestWindow& expired = Window("Orbit Trial", {.Extra = "--label \"Your trial has &expired\""});
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_EQ(expired.WaitForReceived(6), "{ESC}q");
  EXPECT_THAT(plain.Received(), IsEmpty());
  std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_GE(texts.size(), 4u);
  EXPECT_THAT(std::vector(texts.end() - 5, texts.end()),
              ElementsAre("New window found (\"Orbit Trial\")...", Sending("{ESC}q"),
                          "Count of 1 for '$NEW' window with 'trial has expired' text reached; "
                          "Window removed.",
                          kDealtWith, kUnloaded));
}

// The console is shown, and its status line says the entry's text at every tick: it is no page
// that shows it, and neither is anything else of ours.
TEST_F(E2eWatch, AllWindowsEntryWithATextActsOnlyOnTheWindowShowingItEachTick) {
  TestWindow& page = Window("Quokka page", {.Extra = "--label \"A quokka smiles\""});
  TestWindow& plain = Window("Plain page");
  const std::string arguments = "/W:$ALL /X:quokka /K:q /C:3 /I:300 /L:run.log /H:0";
  Tollivox& program = StartProgram(arguments);
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  std::vector<std::string> expected = {Loaded(arguments)};
  for (int tick = 0; tick < 3; ++tick) {
    expected.insert(expected.end(),
                    {"Executing applicable actions for all windows with \"quokka\" text...",
                     "Acting on window \"Quokka page\"...", Sending("q")});
  }
  expected.insert(expected.end(),
                  {"Count of 3 for '$ALL' window with 'quokka' text reached; Window removed.",
                   kDealtWith, kUnloaded});
  EXPECT_EQ(LogTexts(LogPath()), expected);
  EXPECT_EQ(page.WaitForReceived(3), "qqq");
  EXPECT_THAT(plain.Received(), IsEmpty());
}

}  // namespace
}  // namespace tollivox::e2e
