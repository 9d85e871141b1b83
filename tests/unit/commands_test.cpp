// Commands started for found windows, the built-in shutdown, and programs that cannot be found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace tollivox::test {
namespace {

// The "Executing" and "Sending" lines of the log, in order.
std::vector<std::string> Steps(const Harness& h) {
  std::vector<std::string> out;
  for (const std::string& line : h.LogTexts(h.LogPath("run.log"))) {
    if (line.rfind("Executing \"", 0) == 0 || line.rfind("Sending", 0) == 0) out.push_back(line);
  }
  return out;
}

std::string Exec(const std::string& Command) { return "Executing \"" + Command + "\" command..."; }

TEST(Commands, EachEntryStartsItsOwnCommandOrAllOfThemWithAnyWindow) {
  const std::string keys = "Sending \"k\" keystrokes...";
  struct Case {
    std::string Args;
    std::vector<std::pair<std::string, int>> Launches;
    std::vector<std::string> Steps;
  } cases[] = {
      {"/E:alpha.exe,beta.exe /M:3,4",
       {{"alpha.exe", 3}, {"beta.exe", 4}},
       {Exec("alpha.exe"), keys, Exec("beta.exe"), keys}},
      {"/E:alpha.exe,beta.exe /O:1",
       {{"alpha.exe", 0}, {"beta.exe", 0}, {"alpha.exe", 0}, {"beta.exe", 0}},
       {Exec("alpha.exe"), Exec("beta.exe"), keys, Exec("alpha.exe"), Exec("beta.exe"), keys}},
      // More entries than commands: the second entry has none.
      {"/E:alpha.exe", {{"alpha.exe", 0}}, {Exec("alpha.exe"), keys, keys}},
      // Reserved words do nothing at all.
      {"/E:$REBOOT,$", {}, {keys, keys}},
  };
  for (const Case& c : cases) {
    Harness h;
    h.Desk.CreateWindow("Two");
    h.Desk.CreateWindow("One");
    ASSERT_TRUE(h.Load("/W:One,Two /K:k,k " + c.Args + " /L:run.log"));
    ASSERT_TRUE(h.Tick());
    std::vector<std::pair<std::string, int>> launches;
    for (const sim::LaunchRecord& launch : h.Desk.Launches()) {
      launches.emplace_back(launch.CommandLine, launch.ShowMode);
    }
    EXPECT_EQ(launches, c.Launches) << c.Args;
    EXPECT_EQ(Steps(h), c.Steps) << c.Args;
  }
}

TEST(Commands, ShutdownStartsTheShutdownProgramAndEnds) {
  struct Case {
    std::string Command;
    int Type;
    std::string Label;
    bool Hidden;
  } cases[] = {
      {"$SHUT", 1, " 1", false},     {"$shutdown 3", 3, " 3", false}, {"$SHUT x", 0, " 0", false},
      {"$SHUT 2.5", 2, " 2", false}, {"$SHUT 3.5", 4, " 4", true},    {"$Shut -1", -1, "-1", false},
  };
  for (const Case& c : cases) {
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    ASSERT_TRUE(
        h.Load("/W:Setup /K:k /E:" + c.Command + (c.Hidden ? " /H:2" : "") + " /L:run.log"));
    EXPECT_FALSE(h.Tick()) << c.Command;
    EXPECT_EQ(h.Ended, kExitFinished);
    EXPECT_EQ(h.Form.ShutdownType, c.Type);
    const std::string type = std::to_string(c.Type);
    ASSERT_EQ(h.Desk.Launches().size(), 1u) << c.Command;
    EXPECT_EQ(h.Desk.Launches()[0].CommandLine,
              "\"C:\\Program Files\\Tollivox\\Shutdown.exe\" " + type);
    EXPECT_EQ(h.Desk.Launches()[0].ShowMode, 2);
    EXPECT_EQ(h.Desk.Texts[Control::lblMessage], "Shutting Down (Type=" + c.Label + ")...");
    const std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{"Found window containing \"Setup\" string...",
                                        "Shutting Down (Type=" + type + ")...", ">>>>> Unloaded"}))
        << c.Command;
    EXPECT_FALSE(h.Desk.TimerOn);
    EXPECT_EQ(h.Desk.TypedInto(setup), "");
    EXPECT_EQ(h.Desk.TrayCalls().size(), c.Hidden ? 0u : 2u);
    EXPECT_FALSE(h.Desk.IconPresent());
  }
}

TEST(Commands, MissingProgramIsReportedByTheCommandAsWritten) {
  struct Case {
    std::string Args, Missing, Named;
    std::vector<std::string> Before;  // the log lines just before the report
  } cases[] = {
      {"/E:notthere.exe", "notthere.exe", "notthere.exe", {Exec("notthere.exe")}},
      {"/E:ok.exe,bad.exe /M:1,1 /O:1", "bad.exe", "bad.exe", {Exec("ok.exe"), Exec("bad.exe")}},
      {"/E:$SHUT 2",
       "C:\\Program Files\\Tollivox\\Shutdown.exe",
       "$SHUT 2",
       {"Shutting Down (Type=2)...", ">>>>> Unloaded"}},
  };
  for (const Case& c : cases) {
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    h.Desk.MissingPrograms.push_back(c.Missing);
    ASSERT_TRUE(h.Load("/W:Setup /K:k " + c.Args + " /L:run.log"));
    EXPECT_FALSE(h.Tick());
    EXPECT_EQ(h.Ended, kExitFatalError);
    const std::string error =
        "ERROR: The executable file specified '" + c.Named + "' was not located.";
    ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
    EXPECT_EQ(h.Desk.MessageBoxes()[0].Text,
              error +
                  "\n\nPlease specify the full path name or ensure that the\n"
                  "folder is located in the system path.");
    EXPECT_EQ(h.Desk.MessageBoxes()[0].Title, "Tollivox 1.10");
    std::vector<std::string> expected = c.Before;
    expected.push_back(error);
    const std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
    EXPECT_EQ(std::vector<std::string>(log.end() - static_cast<long>(expected.size()), log.end()),
              expected)
        << c.Args;
    EXPECT_EQ(h.Desk.TypedInto(setup), "");
    EXPECT_FALSE(h.Desk.IconPresent());
  }
}

}  // namespace
}  // namespace tollivox::test
