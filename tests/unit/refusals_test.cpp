// Keys withheld where Windows would not let them arrive: each refusal named in the log, the run
// left uncounted, and the checks made again at the moment the keys go.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace tollivox::test {
namespace {

using sim::WindowCall;

// Windows refuses in many ways to let keys reach the found window; each refusal withholds the
// keys with its own line, never types into the user's window, and leaves the run uncounted so
// that the next visit, once the refusal is gone, types them.
TEST(Actions, RefusedKeysAreWithheldNamedAndTriedAgain) {
  using Switch = std::function<void(Harness&, WindowHandle Setup, bool On)>;
  struct Case {
    std::string Name;
    Switch Refuse;
    std::string Line;  // "" when the refusal is invisible to the log
  } cases[] = {
      {"foreground refused",
       [](Harness& h, WindowHandle, bool On) { h.Desk.RefuseForeground = On; },
       "Window not in front; \"%a~\" keystrokes not sent."},
      {"administrator",
       [](Harness& h, WindowHandle Setup, bool On) { h.Desk.Find(Setup)->Elevated = On; },
       "Window runs as administrator; \"%a~\" keystrokes not sent."},
      {"integrity level unreadable",
       [](Harness& h, WindowHandle Setup, bool On) { h.Desk.Find(Setup)->Unreadable = On; },
       "Window's integrity level cannot be read; \"%a~\" keystrokes not sent."},
      {"locked desktop", [](Harness& h, WindowHandle, bool On) { h.Desk.InputDesktop = !On; },
       "Desktop not receiving input; \"%a~\" keystrokes not sent."},
      {"partly taken",
       [](Harness& h, WindowHandle, bool On) { h.Desk.TakesAtMost = On ? 2 : SIZE_MAX; },
       "Only 2 of 6 key events taken; \"%a~\" keystrokes not all sent."},
      {"Caps Lock left off",
       [](Harness& h, WindowHandle, bool On) {
         h.Desk.TakesAtMost = On ? 2 : SIZE_MAX;
         h.Desk.LeavesCapsLockOff = On;
       },
       "Caps Lock could not be turned back on."},
      {"not answering",
       [](Harness& h, WindowHandle Setup, bool On) { h.Desk.Find(Setup)->Hung = On; },
       "Window not responding; \"%a~\" keystrokes not sent."},
      // A cloaked window of the same title is passed over, never made the found one.
      {"cloaked", [](Harness& h, WindowHandle Setup, bool On) { h.Desk.Find(Setup)->Cloaked = On; },
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    const WindowHandle editor = h.Desk.CreateWindow("Editor");
    (void)h.Desk.SetForeground(editor);  // the user is working here
    c.Refuse(h, setup, true);
    ASSERT_TRUE(h.Load("/W:Setup /K:%a~ /C:1 /T:-1 /L:run.log"));
    ASSERT_TRUE(h.Tick());
    for (const auto& batch : h.Desk.Sent()) {
      EXPECT_NE(batch.Target, editor) << "keys reached the user's window";
    }
    std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
    if (!c.Line.empty()) {
      EXPECT_EQ(Matching(log, c.Line), std::vector<std::string>{c.Line});
    }
    EXPECT_EQ(h.Form.WindowStrings[1], "Setup") << "a withheld run was counted";
    if (c.Line.find("not in front") != std::string::npos) {
      EXPECT_EQ(h.Desk.Focus(), editor);
    }

    // What part of a send got through stays typed.
    const std::string before = h.Desk.TypedInto(setup);
    c.Refuse(h, setup, false);
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(h.Desk.TypedInto(setup), before + "{VK:12}a\n");
    EXPECT_EQ(h.Desk.TypedInto(editor), "");
    EXPECT_EQ(h.Form.WindowStrings[1], "");
  }
}

// The log write before the keys can wait on a reader that holds the file (an indexer, a viewer);
// whatever changed meanwhile is seen right before the keys go, and said after the "Sending" line.
TEST(Actions, ChecksHoldAtTheMomentTheKeysGo) {
  struct Case {
    std::string Name;
    std::function<void(Harness&, WindowHandle Setup, WindowHandle Editor)> Meanwhile;
    std::string Reason;
  } cases[] = {
      {"front lost",
       [](Harness& h, WindowHandle, WindowHandle Editor) { (void)h.Desk.SetForeground(Editor); },
       "Window not in front"},
      {"session locked",
       [](Harness& h, WindowHandle, WindowHandle) { h.Desk.InputDesktop = false; },
       "Desktop not receiving input"},
      {"window closed",
       [](Harness& h, WindowHandle Setup, WindowHandle) { h.Desk.DestroyWindow(Setup); },
       "Window closed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    const WindowHandle editor = h.Desk.CreateWindow("Editor");
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    ASSERT_TRUE(h.Load("/W:Setup /K:x /C:1 /T:-1 /L:run.log"));
    int reader = 0;
    // The reader opens the log as the "Sending" text shows, and lets go a few attempts later.
    h.Desk.OnYield = [&] {
      if (reader != 0 || h.Desk.Texts[Control::lblMessage] != "Sending \"x\" keystrokes...") return;
      reader = h.Desk.HoldOpen(h.LogPath("run.log"), {true, true}, {});
      h.Desk.OnPause = [&](int) {
        if (reader <= 0) return;
        c.Meanwhile(h, setup, editor);
        h.Desk.Release(reader);
        reader = -1;
      };
    };
    ASSERT_TRUE(h.Tick());
    ASSERT_EQ(reader, -1) << "the log was never held";
    EXPECT_EQ(h.Desk.TypedInto(setup) + h.Desk.TypedInto(editor), "");
    const std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
    const auto sending = std::find(log.begin(), log.end(), "Sending \"x\" keystrokes...");
    ASSERT_NE(sending, log.end());
    ASSERT_NE(sending + 1, log.end());
    EXPECT_EQ(*(sending + 1), c.Reason + "; \"x\" keystrokes not sent.");
    // Not counted unless the window is gone, which has had its run.
    EXPECT_EQ(Matching(log, "Count of").size(), c.Reason == "Window closed" ? 1u : 0u);
  }
}

// Keys go while the window in front is the found window or a box or dialog it owns, at any
// depth and whichever thread made it; not while another window of the same program is in front.
TEST(Actions, KeysGoWhileTheWindowOrABoxItOwnsIsInFront) {
  using Make = std::function<WindowHandle(sim::SimDesktop&, WindowHandle Setup)>;
  const auto owned = [](sim::SimDesktop& Desk, WindowHandle Owner) {
    const WindowHandle box = Desk.CreateWindow("Question");
    Desk.Find(box)->Owner = Owner;
    return box;
  };
  struct Case {
    std::string Name;
    Make Front;  // the window that comes to the front after the found one
    bool Typed;
  } cases[] = {
      {"its box", [&](sim::SimDesktop& Desk, WindowHandle Setup) { return owned(Desk, Setup); },
       true},
      {"its box's box",
       [&](sim::SimDesktop& Desk, WindowHandle Setup) { return owned(Desk, owned(Desk, Setup)); },
       true},
      {"another window of its program",
       [](sim::SimDesktop& Desk, WindowHandle) { return Desk.CreateWindow("Orbit log"); }, false},
      {"the window that owns it",
       [](sim::SimDesktop& Desk, WindowHandle Setup) {
         const WindowHandle main = Desk.CreateWindow("Orbit");
         Desk.Find(Setup)->Owner = main;
         return main;
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    const WindowHandle front = c.Front(h.Desk, setup);
    // The program puts it up once its window has been activated and shown.
    h.Desk.OnYield = [&] {
      const auto& calls = h.Desk.WindowCalls();
      if (h.Desk.Foreground() == setup && !calls.empty() && calls.back().What == WindowCall::Show) {
        (void)h.Desk.SetForeground(front);
      }
    };
    ASSERT_TRUE(h.Load("/W:Setup /K:y /C:1 /T:-1 /L:run.log"));
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(h.Desk.TypedInto(front), c.Typed ? "y" : "");
    EXPECT_EQ(h.Desk.TypedInto(setup), "");
    const std::string withheld = "Window not in front; \"y\" keystrokes not sent.";
    EXPECT_EQ(Matching(h.LogTexts(h.LogPath("run.log")), withheld).size(), c.Typed ? 0u : 1u);
    EXPECT_EQ(h.Form.WindowStrings[1].empty(), c.Typed) << "counted";
  }
}

// Shown without activation, keys go to whatever has the focus, as these modes always did; with
// an activation they wait for the window to come to the front, the console's messages running.
TEST(Actions, OnlyActivatingModesWaitForTheFront) {
  for (int mode : {1, 4}) {
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    const WindowHandle editor = h.Desk.CreateWindow("Editor");
    (void)h.Desk.SetForeground(editor);
    h.Desk.RefuseForeground = true;
    // The window comes to the front a moment later, as a busy program's does.
    h.Desk.OnPause = [&](int Pauses) {
      if (Pauses == 5) {
        h.Desk.RefuseForeground = false;
        (void)h.Desk.SetForeground(setup);
      }
    };
    ASSERT_TRUE(h.Load("/W:Setup /K:x /A:" + std::to_string(mode) + " /L:run.log"));
    const int yieldsBefore = h.Desk.Yields;
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(h.Desk.TypedInto(mode == 1 ? setup : editor), "x") << "mode " << mode;
    if (mode == 1) {
      EXPECT_GE(h.Desk.Yields - yieldsBefore, 5 + 6);
    }
  }
}

}  // namespace
}  // namespace tollivox::test
