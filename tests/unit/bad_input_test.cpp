// Malformed command lines and key strings, each with what the user gets: a refusal box, the fatal
// report, the log writer's box, or a run that goes on past the piece it ignored. In every case
// the log holds exactly what it should and nothing else is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"

namespace tollivox::test {
namespace {

enum class Outcome {
  Syntax,      // the syntax box, exit 1
  Usage,       // the usage box, exit 0
  Overflow,    // a number out of range: the fatal report while loading, exit 2
  BadKeys,     // a key string the notation refuses: the fatal report at the first action, exit 2
  LogFailure,  // the log writer's own box, exit 3
  Runs,        // the bad piece is ignored and the watch goes on
};

struct Case {
  std::string Arguments;
  Outcome Expected;
  std::string Module = "";  // Overflow: the procedure the report names
  std::string Keys = "";    // BadKeys, Runs: the key string as announced
  std::string Typed = "";   // Runs: what reaches the window
};

const std::string kFatalStart = "An unexpected internal error was encountered in module '";

std::string FirstLine(const std::string& Text) { return Text.substr(0, Text.find('\n')); }

std::vector<std::string> FilesWritten(const sim::SimDesktop& Desk) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Desk.Root())) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  return files;
}

// The lines a tick logs for the entry Setup before its keys are typed.
std::vector<std::string> FoundLines() {
  return {"Looking for window containing \"Setup\" string...",
          "Found window containing \"Setup\" string..."};
}

std::string Sending(const std::string& Keys) { return "Sending \"" + Keys + "\" keystrokes..."; }

TEST(BadInput, EveryMalformedPieceHasOneOutcomeAndLogsOnlyWhatItShould) {
  const Case cases[] = {
      // No /W: read at all, or an empty log path.
      {"", Outcome::Syntax},
      {"   ", Outcome::Syntax},
      {"Setup", Outcome::Syntax},
      {"/W Setup /L:run.log", Outcome::Syntax},
      {"/W;Setup /L:run.log", Outcome::Syntax},
      {"/K:{ENTER} /T:5 /L:run.log", Outcome::Syntax},
      {"/Y:Setup /L:run.log", Outcome::Syntax},
      {"/W:Setup /L:", Outcome::Syntax},
      {"/W:Setup /l:   ", Outcome::Syntax},
      {"/W:Setup /L:\"   \"", Outcome::Syntax},
      {"/W:Setup /L:run.log /L:", Outcome::Syntax},
      // "/?" outside double quotes wins over everything else.
      {"/?", Outcome::Usage},
      {"/W:Setup /? /L:run.log", Outcome::Usage},
      {"/W:Setup/? /L:run.log", Outcome::Usage},
      {"/W:Setup /L:run.log /?x", Outcome::Usage},
      {"/? /L:", Outcome::Usage},
      {"/W:\"Setup\" /K:\"x\" /? /L:run.log", Outcome::Usage},
      // Numbers outside their type. The log path comes later on the line, so nothing is logged.
      {"/W:Setup /T:32768 /L:run.log", Outcome::Overflow, "ParseStr2IntArray"},
      {"/W:Setup /T:32767.5 /L:run.log", Outcome::Overflow, "ParseStr2IntArray"},
      {"/W:Setup /C:-32769 /L:run.log", Outcome::Overflow, "ParseStr2IntArray"},
      {"/W:Setup /A:1e5 /L:run.log", Outcome::Overflow, "ParseStr2IntArray"},
      {"/W:Setup /E:x /M:&H100000000 /L:run.log", Outcome::Overflow, "ParseStr2IntArray"},
      {"/W:Setup /S:32768 /L:run.log", Outcome::Overflow, "Form_Load"},
      {"/W:Setup /H:1e10 /L:run.log", Outcome::Overflow, "Form_Load"},
      {"/W:Setup /I:2147483648 /L:run.log", Outcome::Overflow, "Form_Load"},
      {"/W:Setup /O:-1e400 /L:run.log", Outcome::Overflow, "Form_Load"},
      // Key strings the notation refuses: announced, then reported, nothing typed.
      {"/W:Setup /K:{ENTER /L:run.log", Outcome::BadKeys, "", "{ENTER"},
      {"/W:Setup /K:{FOO} /L:run.log", Outcome::BadKeys, "", "{FOO}"},
      {"/W:Setup /K:{F17} /L:run.log", Outcome::BadKeys, "", "{F17}"},
      {"/W:Setup /K:} /L:run.log", Outcome::BadKeys, "", "}"},
      {"/W:Setup /K:{} /L:run.log", Outcome::BadKeys, "", "{}"},
      {"/W:Setup /K:{TAB 1001} /L:run.log", Outcome::BadKeys, "", "{TAB 1001}"},
      {"/W:Setup /K:{TAB x} /L:run.log", Outcome::BadKeys, "", "{TAB x}"},
      {"/W:Setup /K:abc+ /L:run.log", Outcome::BadKeys, "", "abc+"},
      {"/W:Setup /K:%^ /L:run.log", Outcome::BadKeys, "", "%^"},
      {"/W:Setup /K:(a /L:run.log", Outcome::BadKeys, "", "(a"},
      {"/W:Setup /K:a) /L:run.log", Outcome::BadKeys, "", "a)"},
      {"/W:Setup /K:\"{a/b}\" /L:run.log", Outcome::BadKeys, "", "{a/b}"},
      // A log folder that does not exist: the first line cannot be written.
      {"/W:Setup /L:C:\\No Such Folder\\run.log", Outcome::LogFailure},
      // Pieces that are ignored: the watch starts and acts on the window.
      {"/W:Setup /Y:1 /K:a /L:run.log", Outcome::Runs, "", "a", "a"},
      {"/W:Setup /K:b /Z /L:run.log", Outcome::Runs, "", "b", "b"},
      {"junk /W:Setup /K:c /L:run.log", Outcome::Runs, "", "c", "c"},
      {"//W:Setup /K:d /L:run.log", Outcome::Runs, "", "d", "d"},
      {"/ W:Setup /K:e /L:run.log", Outcome::Runs, "", "e", "e"},
      {"/W:Setup /T:abc /K:f /L:run.log", Outcome::Runs, "", "f", "f"},
      {"/W:Setup /I:-5 /K:g /L:run.log", Outcome::Runs, "", "g", "g"},
      {"/W:Setup /M:9 /K:h /L:run.log", Outcome::Runs, "", "h", "h"},
      {"/W:Setup /C:x,y,z /K:i /L:run.log", Outcome::Runs, "", "i", "i"},
      {"/W:Setup /S:abc /K:j /L:run.log", Outcome::Runs, "", "j", "j"},
      {"/W:Setup /K:\"k,l\" /L:run.log", Outcome::Runs, "", "k", "k"},
      {"/W:Setup /K:{ENTER 0} /L:run.log", Outcome::Runs, "", "{ENTER 0}", ""},
      {"/W:Setup /K: /L:run.log", Outcome::Runs},
      {"/W:Setup /K:m /H:abc /L:run.log", Outcome::Runs, "", "m", "m"},
      {"/W:Setup /K:n /L:\"run.log\"", Outcome::Runs, "", "n", "n"},
      {"\"/W:Setup\" \"/K:o\" /L:run.log", Outcome::Runs, "", "o", "o"},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.Arguments);
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    const std::string log = h.LogPath("run.log");
    const bool loaded = h.Load(c.Arguments);
    const bool ticked = loaded && h.Tick();
    const std::vector<sim::MessageBoxRecord>& boxes = h.Desk.MessageBoxes();

    switch (c.Expected) {
      case Outcome::Syntax:
      case Outcome::Usage: {
        const bool usage = c.Expected == Outcome::Usage;
        EXPECT_FALSE(loaded);
        EXPECT_EQ(h.Ended, usage ? kExitFinished : kExitSyntaxError);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(FirstLine(boxes[0].Text),
                  usage ? "Tollivox Command Line Options:" : "ERROR: Incorrect syntax was used.");
        EXPECT_EQ(FilesWritten(h.Desk), std::vector<std::string>{});
        break;
      }
      case Outcome::Overflow:
        EXPECT_FALSE(loaded);
        EXPECT_EQ(h.Ended, kExitFatalError);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(FirstLine(boxes[0].Text), kFatalStart + c.Module + "'.");
        EXPECT_NE(boxes[0].Text.find("\nError # 6, Overflow\n"), std::string::npos);
        EXPECT_EQ(FilesWritten(h.Desk), std::vector<std::string>{});
        break;
      case Outcome::BadKeys: {
        ASSERT_TRUE(loaded);
        EXPECT_FALSE(ticked);
        EXPECT_EQ(h.Ended, kExitFatalError);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(FirstLine(boxes[0].Text), kFatalStart + "DoActions'.");
        std::vector<std::string> expected = FoundLines();
        expected.push_back(Sending(c.Keys));
        expected.push_back(kFatalStart + "DoActions'.");
        expected.push_back("Error # 5, Invalid procedure call or argument");
        std::vector<std::string> lines = h.LogTexts(log);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].rfind(">>>>> Loaded with '", 0), 0u);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected);
        EXPECT_EQ(h.Desk.TypedInto(setup), "");
        EXPECT_FALSE(h.Desk.IconPresent());
        break;
      }
      case Outcome::LogFailure:
        EXPECT_FALSE(loaded);
        EXPECT_EQ(h.Ended, kExitLogFailure);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(FirstLine(boxes[0].Text), kFatalStart + "Add2Log'.");
        EXPECT_NE(boxes[0].Text.find("\nError # 76, "), std::string::npos) << boxes[0].Text;
        EXPECT_EQ(FilesWritten(h.Desk), std::vector<std::string>{});
        break;
      case Outcome::Runs: {
        ASSERT_TRUE(loaded);
        EXPECT_TRUE(ticked);
        EXPECT_FALSE(h.Ended);
        EXPECT_TRUE(boxes.empty());
        std::vector<std::string> expected = FoundLines();
        if (!c.Keys.empty()) expected.push_back(Sending(c.Keys));
        std::vector<std::string> lines = h.LogTexts(log);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].rfind(">>>>> Loaded with '", 0), 0u);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected);
        EXPECT_EQ(h.Desk.TypedInto(setup), c.Typed);
        EXPECT_EQ(FilesWritten(h.Desk), std::vector<std::string>{h.Desk.RealPath(log).string()});
        break;
      }
    }
  }
}

}  // namespace
}  // namespace tollivox::test
