#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "harness.h"

namespace tollivox {
namespace {

using Strings = std::vector<std::string>;
using Integers = std::vector<std::int16_t>;

const std::string kFolder = "C:\\Program Files\\Tollivox";

const std::string kOptionLines =
    "/W:<Window String [[,String] [,...]]>\n"
    "/A:<Window Activation Mode, [[,Mode] [,...]]> (Default=1; 1=Normal)\n"
    "/K:<Keys [[,Keys] [,...]>\n"
    "/S:<Send Keys on any Window?> (0=No|1=Yes; 0=Default)\n"
    "/T:<Timeout Seconds> [[,Seconds] [,...]]> (Default=3)\n"
    "/C:<Count> [[,Count] [,...]]> (0=Default)\n"
    "/I:<Interval Milliseconds> (Default=1500; 65535=Maximum)\n"
    "/E:<Command [[,Command] [,...]]>\n"
    "/M:<Execution Mode [[,Mode] [,...]]> (Default=0; 0=Hide)\n"
    "/O:<Execute on any Window?> (0=No|1=Yes; 0=Default)\n"
    "/H:<Hide Tollivox Console?> (0=Maximized|1=Minimized|2=Hidden; 1=Default)\n"
    "/L:<Log File Path>\n"
    "\n"
    "Please refer to the provided documentation for details on proper usage.";
const std::string kUsageText = "Tollivox Command Line Options:\n\n" + kOptionLines;
const std::string kSyntaxText =
    "ERROR: Incorrect syntax was used.\n\nThe available command line options are:\n\n" +
    kOptionLines;

// The command-line stages in start-up order, inside the load procedure's error handler, with the
// settings start-up resets before them.
bool Parse(test::Harness& H, const std::string& Arguments) {
  H.Desk.Arguments = Arguments;
  frmZandrel& form = H.Form;
  form.AppTitle = "Tollivox 1.10";
  form.ExecuteAnyWindow = 0;
  form.ConsoleMode = 1;
  return H.Run([&] {
    form.Guard("Form_Load", [&] {
      form.QuoteStep();
      form.SplitOptions();
      form.OptionLoop();
      form.ReconcileLists();
      form.ClampInterval();
      form.PlaceLogFile();
      form.CheckValidity();
    });
  });
}

template <class T>
std::vector<T> Elements(const List<T>& Values) {
  std::vector<T> out;
  for (int i = 1; i <= Values.UBound(); ++i) out.push_back(Values[i]);
  return out;
}

std::string FirstLine(const std::string& Text) { return Text.substr(0, Text.find('\n')); }

TEST(CommandLineParser, BuildsTheWatchEntries) {
  struct Case {
    std::string Arguments;
    Strings Windows;
    Integers Activations;
    Strings Keys;
    Integers Timeouts;
    Integers Counts;
  };
  const Case cases[] = {
      {"/W:Setup,Save /K:{ENTER},%N", {"Setup", "Save"}, {1, 1}, {"{ENTER}", "%N"}, {3, 3}, {0, 0}},
      {"/w:Setup", {"Setup"}, {1}, {""}, {3}, {0}},
      {"/W:\"Save As\"", {"Save As"}, {1}, {""}, {3}, {0}},
      {"/W:\"a/b\"", {"a/b"}, {1}, {""}, {3}, {0}},
      {"/W:a/b", {"a"}, {1}, {""}, {3}, {0}},
      {"/W:\"a,b\"", {"a", "b"}, {1, 1}, {"", ""}, {3, 3}, {0, 0}},
      {"/W:a,,b", {"a", "", "b"}, {1, 1, 1}, {"", "", ""}, {3, 3, 3}, {0, 0, 0}},
      {"/W:,x", {"", "x"}, {1, 1}, {"", ""}, {3, 3}, {0, 0}},
      {"/W:,,x", {"", "x"}, {1, 1}, {"", ""}, {3, 3}, {0, 0}},
      {"/W:a,", {"a", ""}, {1, 1}, {"", ""}, {3, 3}, {0, 0}},
      {"/W:", {""}, {1}, {""}, {3}, {0}},
      {"/W: a , b  /K: x ", {"a", "b"}, {1, 1}, {"x", ""}, {3, 3}, {0, 0}},
      // Quoted stretches one after the other, each protecting its own "/" and ",".
      {"/W:\"a/b\",\"c/d\" /K:\"x/y\",z", {"a/b", "c/d"}, {1, 1}, {"x/y", "z"}, {3, 3}, {0, 0}},
      {"/W:\"Pay/Bill\"\"x/y\"", {"Pay/Billx/y"}, {1}, {""}, {3}, {0}},
      // A quote without a partner protects nothing, but quotes are still removed.
      {"/W:\"a/b", {"a"}, {1}, {""}, {3}, {0}},
      // Positions count characters: the stretch must end at the closing quote even after
      // multi-byte characters.
      {"/W:ÄÖÜ\"ä/ö\"/K:k", {"ÄÖÜä/ö"}, {1}, {"k"}, {3}, {0}},
      {"/W:$ALL /K:\"{ENTER}\"", {"$ALL"}, {1}, {"{ENTER}"}, {3}, {0}},
      {"/W:a /T:2.5", {"a"}, {1}, {""}, {2}, {0}},
      {"/W:a /T:3.5", {"a"}, {1}, {""}, {4}, {0}},
      {"/W:a /T:abc", {"a"}, {1}, {""}, {3}, {0}},
      {"/W:a /T:7x", {"a"}, {1}, {""}, {7}, {0}},
      {"/W:a,b,c /T:10", {"a", "b", "c"}, {1, 1, 1}, {"", "", ""}, {10, 3, 3}, {0, 0, 0}},
      {"/W:a,b /T:0,-1", {"a", "b"}, {1, 1}, {"", ""}, {3, -1}, {0, 0}},
      {"/W:a,b /T:,5", {"a", "b"}, {1, 1}, {"", ""}, {3, 5}, {0, 0}},
      {"/W:a /A:9", {"a"}, {1}, {""}, {3}, {0}},
      {"/W:a /A:-2", {"a"}, {1}, {""}, {3}, {0}},
      {"/W:a /A:5", {"a"}, {5}, {""}, {3}, {0}},
      {"/W:a /A:0", {"a"}, {0}, {""}, {3}, {0}},
      {"/W:a /A:1,2,3", {"a"}, {1, 2, 3}, {""}, {3}, {0}},
      {"/W:a,b /C:-4,2", {"a", "b"}, {1, 1}, {"", ""}, {3, 3}, {0, 2}},
      {"/w:a /t:-1 /c:2 /a:3", {"a"}, {3}, {""}, {-1}, {2}},
      // The piece before the first "/" is read like any other.
      {"W:a /T:5", {"a"}, {1}, {""}, {5}, {0}},
      // ...but the presence test looks for "/A:", so this /A: counts as absent.
      {"A:2 /W:a", {"a"}, {1}, {""}, {3}, {0}},
      // Per-entry options before /W: are filled up to the full count with their defaults.
      {"/T:5 /K:x /A:2 /C:4 /W:a,b", {"a", "b"}, {2, 1}, {"x", ""}, {5, 3}, {4, 0}},
      // The last /W: wins; values given for more entries stay unused at the end.
      {"/W:a,b,c /K:1,2,3 /W:x", {"x"}, {1}, {"1", "2", "3"}, {3}, {0}},
      {"/W Setup /W:x", {"x"}, {1}, {""}, {3}, {0}},
      {"/Y:1 /W:x /Z", {"x"}, {1}, {""}, {3}, {0}},
      // Quoted as a whole, at an argument's start only; backslashes are no escapes.
      {"/W:\"a\" \"/K:~, a/b\"", {"a"}, {1}, {"~", "a/b"}, {3}, {0}},
      {"\"/W:b/c\" x\"/K:d\" \"/Z:1\"", {"b/c x/K:d /Z:1"}, {1}, {""}, {3}, {0}},
      {"/w:a \"/a:2, 3\" \"/T:7/2\" \"/c:4\"", {"a"}, {2, 3}, {""}, {7}, {4}},
      {"\"/W:Say \\\"hi\\\"\"", {"Say \\hi\\"}, {1}, {""}, {3}, {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Arguments);
    test::Harness h;
    ASSERT_TRUE(Parse(h, c.Arguments));
    const frmZandrel& f = h.Form;
    EXPECT_EQ(f.WindowCount, static_cast<std::int16_t>(c.Windows.size()));
    EXPECT_EQ(Elements(f.WindowStrings), c.Windows);
    EXPECT_EQ(Elements(f.ActivationModes), c.Activations);
    EXPECT_EQ(Elements(f.KeyStrings), c.Keys);
    EXPECT_EQ(Elements(f.TimeoutSeconds), c.Timeouts);
    EXPECT_EQ(Elements(f.Counts), c.Counts);
    EXPECT_TRUE(h.Desk.MessageBoxes().empty());
  }
}

TEST(CommandLineParser, ReadsOneWindowTextPerEntry) {
  struct Case {
    std::string Arguments;
    Strings Texts;
  };
  const Case cases[] = {
      {"/W:a,b /X:\"I accept\",\"x/y\" /K:k", {"I accept", "x/y"}},
      // Quotes protect "/" only: a quoted comma still separates two texts.
      {"/W:a,b /X:\"Next, then\"", {"Next", "then"}},
      {"/W:a,b,c /X:t", {"t", "", ""}},
      {"/W:a /X:t,u,v", {"t", "u", "v"}},
      {"/x:t /W:a,b", {"t", ""}},
      {"/W:a,b,c /X:,u,", {"", "u", ""}},
      {"/W:a,b /X:", {"", ""}},
      {"/W:a,b", {"", ""}},
      {"/W:a /X:\"C:\\Program Files/x\" /X:last", {"last"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Arguments);
    test::Harness h;
    ASSERT_TRUE(Parse(h, c.Arguments));
    EXPECT_EQ(Elements(h.Form.WindowTexts), c.Texts);
    // A restart parses the same line into the lists left from the run before.
    h.Form.WindowTexts[1] = "blanked";
    ASSERT_TRUE(Parse(h, c.Arguments));
    EXPECT_EQ(Elements(h.Form.WindowTexts), c.Texts);
  }
}

TEST(CommandLineParser, ReadsCommandsAndSettings) {
  struct Case {
    std::string Arguments;
    Strings Commands;
    Integers ExecutionModes;
    std::int16_t SendKeys;
    std::int16_t ExecuteAny;
    std::int32_t Interval;
    std::int16_t Console;
    std::string LogFile;
  };
  const Case cases[] = {
      {"/W:a", {}, {}, 0, 0, 1500, 1, ""},
      {"/W:a /E:x /M:7", {"x"}, {0}, 0, 0, 1500, 1, ""},
      {"/W:a /E:x,y /M:3", {"x", "y"}, {3, 0}, 0, 0, 1500, 1, ""},
      {"/W:a /E:x /M:-1", {"x"}, {0}, 0, 0, 1500, 1, ""},
      {"/W:a /M:2,4 /E:x,y,z", {"x", "y", "z"}, {2, 4, 0}, 0, 0, 1500, 1, ""},
      {"/W:a /E:\"cmd /c dir a,b\"", {"cmd /c dir a", "b"}, {0, 0}, 0, 0, 1500, 1, ""},
      {"/W:a /E:notepad.exe C:\\x.txt", {"notepad.exe C:\\x.txt"}, {0}, 0, 0, 1500, 1, ""},
      {"/W:a /S:1 /O:-1 /H:2", {}, {}, 1, -1, 1500, 2, ""},
      {"/W:a /H:0", {}, {}, 0, 0, 1500, 0, ""},
      {"/W:a /H:7", {}, {}, 0, 0, 1500, 7, ""},
      {"/W:a /S:&HFFFF /O:&O17", {}, {}, -1, 15, 1500, 1, ""},
      {"/W:a /I:250", {}, {}, 0, 0, 250, 1, ""},
      {"/W:a /I:0", {}, {}, 0, 0, 1500, 1, ""},
      {"/W:a /I:-5", {}, {}, 0, 0, 1500, 1, ""},
      {"/W:a /I:1", {}, {}, 0, 0, 1, 1, ""},
      {"/W:a /I:0.5", {}, {}, 0, 0, 1500, 1, ""},
      {"/W:a /I:65535", {}, {}, 0, 0, 65535, 1, ""},
      {"/W:a /I:65536", {}, {}, 0, 0, 65535, 1, ""},
      {"/W:a /I:2147483647", {}, {}, 0, 0, 65535, 1, ""},
      {"/W:a /I:1e3", {}, {}, 0, 0, 1000, 1, ""},
      {"/W:a /L:events.log", {}, {}, 0, 0, 1500, 1, kFolder + "\\events.log"},
      {"/W:a /L:C:\\Logs\\x.log", {}, {}, 0, 0, 1500, 1, "C:\\Logs\\x.log"},
      {"/W:a /L: C:\\My Logs\\x.log ", {}, {}, 0, 0, 1500, 1, "C:\\My Logs\\x.log"},
      {"/W:a /l:run.log /L:other.log", {}, {}, 0, 0, 1500, 1, kFolder + "\\other.log"},
      // A quoted log path loses its quotes and keeps its "/" and ",", as a file name must.
      {"/W:a /L:\"C:\\My Logs\\a,b/c.log\"", {}, {}, 0, 0, 1500, 1, "C:\\My Logs\\a,b/c.log"},
      {"/W:a /L:\"run 2.log\"", {}, {}, 0, 0, 1500, 1, kFolder + "\\run 2.log"},
      {"/W:a \"/E:c /d,b\" \"/M:1, 2\" \"/I:250\"", {"c /d", "b"}, {1, 2}, 0, 0, 250, 1, ""},
      {"/W:a \"/L:C:\\My Logs\\r,1.log\" \"/H:0\"", {}, {}, 0, 0, 1500, 0, "C:\\My Logs\\r,1.log"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Arguments);
    test::Harness h;
    ASSERT_TRUE(Parse(h, c.Arguments));
    const frmZandrel& f = h.Form;
    EXPECT_EQ(f.CommandCount, static_cast<std::int16_t>(c.Commands.size()));
    EXPECT_EQ(Elements(f.Commands), c.Commands);
    EXPECT_EQ(Elements(f.ExecutionModes), c.ExecutionModes);
    EXPECT_EQ(f.SendKeysAnyWindow, c.SendKeys);
    EXPECT_EQ(f.ExecuteAnyWindow, c.ExecuteAny);
    EXPECT_EQ(f.IntervalMs, c.Interval);
    EXPECT_EQ(f.ConsoleMode, c.Console);
    EXPECT_EQ(f.LogFilePath, c.LogFile);
  }
}

TEST(CommandLineParser, KeepsTheCommandLineWithQuotedSeparatorsAsMarkers) {
  test::Harness h;
  ASSERT_TRUE(Parse(h, "/W:\"a/b,c\" /K:x"));
  EXPECT_EQ(h.Form.CommandLine, "/W:\"a_@#?!_b_!?#@_c\" /K:x");
}

TEST(CommandLineParser, AcceptsALongLineWithManyQuotedStretches) {
  // Near the system's limit for a command line; the markers make it longer still.
  std::string arguments = "/W:";
  for (int i = 0; i < 1500; ++i) arguments += "\"a/b\",";
  arguments += " /K:";
  for (int i = 0; i < 1500; ++i) arguments += "\"c/d\",";
  test::Harness h;
  ASSERT_TRUE(Parse(h, arguments));
  Strings windows(1500, "a/b");
  windows.push_back("");
  Strings keys(1500, "c/d");
  keys.push_back("");
  EXPECT_EQ(Elements(h.Form.WindowStrings), windows);
  EXPECT_EQ(Elements(h.Form.KeyStrings), keys);
}

TEST(CommandLineParser, RefusesWithTheUsageOrSyntaxBox) {
  struct Case {
    std::string Arguments;
    bool Usage;
  };
  const Case cases[] = {
      {"", false},
      {"Setup", false},
      {"/W Setup", false},
      {"/K:x /T:5", false},
      {"/W:a /L:", false},
      {"/W:a /l:   ", false},
      {"/W:a /L:x.log /L:", false},
      {"/?", true},
      {"/W:a /?", true},
      {"/W:a/?", true},
      {"/? /L:", true},
      {"/H:2 /?", true},
      // The windows seen go to the log, so a list needs one; no list and no /W: is nothing.
      {"/V:1", false},
      {"/W:a /V:1", false},
      {"/W:a /v:-1 /H:0", false},
      {"/V:0 /L:x.log", false},
      {"/V:abc /L:x.log", false},
      {"/V:1 /L:x.log /?", true},
      {"\"/?\"", false},
  };
  for (const Case& c : cases) {
    for (const std::string console : {"", " /H:2"}) {
      const std::string arguments = c.Arguments + console;
      SCOPED_TRACE(arguments);
      test::Harness h;
      h.Desk.Show();
      ASSERT_FALSE(Parse(h, arguments));
      EXPECT_EQ(h.Ended, c.Usage ? kExitFinished : kExitSyntaxError);
      ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
      const sim::MessageBoxRecord& box = h.Desk.MessageBoxes()[0];
      EXPECT_EQ(box.Text, c.Usage ? kUsageText : kSyntaxText);
      EXPECT_EQ(box.Icon, c.Usage ? MsgBoxIcon::Information : MsgBoxIcon::Critical);
      EXPECT_EQ(box.Buttons, MsgBoxButtons::Ok);
      EXPECT_EQ(box.Title, "Tollivox 1.10");
      EXPECT_FALSE(h.Desk.IsVisible());
      EXPECT_EQ(h.Form.Terminating, -1);
      const bool trayIcon = h.Form.ConsoleMode != 2;
      ASSERT_EQ(h.Desk.TrayCalls().size(), trayIcon ? 1u : 0u);
      if (trayIcon) {
        EXPECT_FALSE(h.Desk.TrayCalls()[0].Add);
      }
    }
  }
}

TEST(CommandLineParser, AcceptsWhatOnlyLooksLikeARefusal) {
  struct Case {
    std::string Arguments;
    std::int16_t ListWindows;
  };
  const Case cases[] = {
      {"/W:\"/?\"", 0},
      {"/W:a /K:\"/L:\"", 0},
      {"/W:a /L:x.log", 0},
      {"/W:a /E:\"/?\"", 0},
      // A list of the windows seen is a task of its own, with or without /W:.
      {"/V:1 /L:x.log", 1},
      {"/l:x.log /v:2", 2},
      {"/W:a /V:1 /L:x.log", 1},
      {"/W:a /V:0", 0},
      {"/W:a /V:abc", 0},
      {"/W:a /K:\"/V:1\"", 0},
      {"\"/W:What/?\" \"/K:/L:\"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Arguments);
    test::Harness h;
    EXPECT_TRUE(Parse(h, c.Arguments));
    EXPECT_TRUE(h.Desk.MessageBoxes().empty());
    EXPECT_EQ(h.Form.Terminating, 0);
    EXPECT_EQ(h.Form.ListWindows, c.ListWindows);
  }
}

TEST(CommandLineParser, ReportsAnOutOfRangeNumberWhereItIsConverted) {
  struct Case {
    std::string Arguments;
    std::string Module;
  };
  const Case cases[] = {
      {"/W:a /T:40000", "ParseStr2IntArray"},
      {"/W:a /T:32767.5", "ParseStr2IntArray"},
      {"/W:a /A:1,-32769", "ParseStr2IntArray"},
      {"/W:a /C:1e5", "ParseStr2IntArray"},
      {"/W:a /E:x /M:&H100000000", "ParseStr2IntArray"},
      {"/W:a /S:32768", "Form_Load"},
      {"/W:a /O:-40000", "Form_Load"},
      {"/W:a /H:1e10", "Form_Load"},
      {"/W:a /I:2147483648", "Form_Load"},
      {"/W:a /I:1e400", "Form_Load"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Arguments);
    test::Harness h;
    ASSERT_FALSE(Parse(h, c.Arguments));
    EXPECT_EQ(h.Ended, kExitFatalError);
    ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
    const std::string& text = h.Desk.MessageBoxes()[0].Text;
    EXPECT_EQ(FirstLine(text),
              "An unexpected internal error was encountered in module '" + c.Module + "'.");
    EXPECT_NE(text.find("\n\nError # 6, Overflow\n"), std::string::npos) << text;
  }
}

TEST(CommandLineParser, AnErrorBeforeStartUpEndsLogsToTheLogInTheProgramFolder) {
  test::Harness h;
  ASSERT_FALSE(Parse(h, "/L:run.log /W:Setup /T:32768"));
  EXPECT_EQ(h.LogTexts(h.LogPath("run.log")),
            (std::vector<std::string>{
                "An unexpected internal error was encountered in module 'ParseStr2IntArray'.",
                "Error # 6, Overflow"}));
}

TEST(CommandLineParser, RefusesAnEmptyQuotedLogPath) {
  test::Harness h;
  h.Form.AppTitle = "Tollivox 1.10";
  EXPECT_FALSE(Parse(h, "/W:a /L:\"\""));
  ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.Desk.MessageBoxes()[0].Text.rfind("ERROR: Incorrect syntax was used.", 0), 0u);
}

TEST(ListProcedures, SplitWithDefaultsAndMinimumCounts) {
  struct Case {
    std::string Source;
    std::string Delimiter;
    std::int16_t Minimum;
    Strings Expected;
  };
  const Case cases[] = {
      {"   ", ",", 0, {"-"}},
      {"a", ",", 3, {"a", "-", "-"}},
      {"a,b,c", ",", 2, {"a", "b", "c"}},
      {",", ",", 0, {"-", "-"}},
      {"a, ,b", ",", 0, {"a", "-", "b"}},
      {"a ,  b", ",", -1, {"a", "b"}},
      // The log writer's use: lines at line feeds; tabs are not trimmed.
      {"one\n\ttwo\n", "\n", 0, {"one", "\ttwo", "-"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Source);
    test::Harness h;
    List<std::string> values;
    values.Redim(6);  // left from an earlier call: re-sized, not appended to
    std::int16_t count = h.Form.ParseStr2StrArray(c.Source, c.Delimiter, "-", values, c.Minimum);
    EXPECT_EQ(count, static_cast<std::int16_t>(c.Expected.size()));
    EXPECT_EQ(Elements(values), c.Expected);
  }

  test::Harness h;
  List<std::int16_t> numbers;
  EXPECT_EQ(h.Form.ParseStr2IntArray(" , 5,, x,2.5 ", ",", 9, numbers, 7), 7);
  EXPECT_EQ(Elements(numbers), (Integers{9, 5, 9, 0, 2, 9, 9}));
}

}  // namespace
}  // namespace tollivox
