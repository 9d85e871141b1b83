// Window texts (/X:): which window an entry with a text takes, and what its lines say.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace tollivox::test {
namespace {

using sim::SimDesktop;

TEST(TitleSearch, WithATextTakesTheFirstTitleMatchShowingIt) {
  struct Win {
    std::string Title;
    std::vector<std::pair<std::string, bool>> Controls;  // caption, visible
    bool Hung = false;
    bool Ours = false;  // a window of our own process
  };
  struct Case {
    std::vector<Win> Windows;  // top of the z-order first
    std::string Text;
    int Expected;  // index into Windows, -1 for none
  } cases[] = {
      // One title on every page: the page that does not show the text does not block the one
      // below that does.
      {{{"Orbit Setup", {{"Welcome to Orbit", true}}},
        {"Orbit Setup", {{"License Agreement", true}}}},
       "license AGREEMENT",
       1},
      {{{"Orbit Setup", {{"I &accept the terms", true}}}}, "I accept", 0},
      {{{"Orbit Setup", {{"Save && E&xit", true}}}}, "Save & Exit", 0},
      {{{"Orbit Setup", {{"Save && Exit", true}}}}, "Save && Exit", -1},
      {{{"Orbit Setup", {{"Trailing&", true}}}}, "Trailing", 0},
      {{{"Orbit Setup", {{"License Agreement", false}}}}, "License", -1},
      // Read without asking the window's thread, so a page that does not answer is searched.
      {{{"Orbit Setup", {{"Installing", true}}, true}}, "Installing", 0},
      // The text in another window's controls, or in the title only, does not count.
      {{{"Other", {{"License", true}}}, {"Orbit Setup", {}}}, "License", -1},
      {{{"Orbit Setup License", {}}}, "License", -1},
      // A box of our own that repeats the text is no page of the program.
      {{{"Orbit Setup", {{"License Agreement", true}}, false, true},
        {"Orbit Setup", {{"License Agreement", true}}}},
       "License",
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    Harness h;
    std::vector<WindowHandle> handles(c.Windows.size());
    for (std::size_t i = c.Windows.size(); i-- > 0;) {
      handles[i] = h.Desk.CreateWindow(c.Windows[i].Title);
      for (const auto& [caption, visible] : c.Windows[i].Controls) {
        h.Desk.AddControl(handles[i], caption, visible);
      }
      h.Desk.Find(handles[i])->Hung = c.Windows[i].Hung;
      h.Desk.Find(handles[i])->Ours = c.Windows[i].Ours;
    }
    const WindowHandle expected =
        c.Expected < 0 ? 0 : handles[static_cast<std::size_t>(c.Expected)];
    EXPECT_EQ(h.Form.FindWindowByTitle("setup", c.Text), expected);
    // Controls are read only below titles that match.
    for (WindowHandle read : h.Desk.ControlReads) {
      EXPECT_NE(h.Desk.WindowTitle(read).find("Setup"), std::string::npos);
    }
  }
}

TEST(WatchCycle, EntriesWithATextNameItAndActOnlyOnWindowsShowingIt) {
  Harness h;
  const WindowHandle old = h.Desk.CreateWindow("Orbit Trial");
  h.Desk.AddControl(old, "Your trial has expired.");
  const std::string args =
      "/W:Orbit Setup,Orbit Setup,$NEW,Orbit Setup /X:\"License Agreement\",Completing,\"trial "
      "has EXPIRED\" /K:%a,{ENTER},{ESC},x /C:1,1 /T:-1,3,-1,-1 /L:run.log";
  ASSERT_TRUE(h.Load(args));
  const WindowHandle page = h.Desk.CreateWindow("Orbit Setup");
  h.Desk.AddControl(page, "License Agreement");
  const WindowHandle plain = h.Desk.CreateWindow("Orbit Trial");
  const WindowHandle expired = h.Desk.CreateWindow("Orbit Trial");
  h.Desk.AddControl(expired, "Your trial has expired.");
  ASSERT_TRUE(h.Tick());
  // The old window showing the text is not new; of the new ones only the one that says so gets
  // the keys; the entry without a text takes the setup window with its lines unchanged.
  EXPECT_EQ(h.Desk.TypedInto(page), "{VK:12}ax");  // Alt+A, then x
  EXPECT_EQ(h.Desk.TypedInto(old), "");
  EXPECT_EQ(h.Desk.TypedInto(plain), "");
  EXPECT_EQ(h.Desk.TypedInto(expired), "{VK:1b}");
  const std::vector<std::string> expected = {
      "Looking for window containing \"Orbit Setup\" string and \"License Agreement\" text...",
      "Found window containing \"Orbit Setup\" string and \"License Agreement\" text...",
      "Sending \"%a\" keystrokes...",
      "Count of 1 for 'Orbit Setup' window with 'License Agreement' text reached; Window "
      "removed.",
      "Looking for window containing \"Orbit Setup\" string and \"Completing\" text...",
      "'Orbit Setup' window with 'Completing' text not found.",
      "Looking for new windows with \"trial has EXPIRED\" text...",
      "New window found (\"Orbit Trial\")...",
      "Sending \"{ESC}\" keystrokes...",
      "Looking for window containing \"Orbit Setup\" string...",
      "Found window containing \"Orbit Setup\" string...",
      "Sending \"x\" keystrokes..."};
  EXPECT_EQ(LogAfter(h, 1), expected);
  ASSERT_TRUE(h.RunTicks(3));
  const std::vector<std::string> log = Log(h);
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "Timeout of 3 seconds for 'Orbit Setup' window with 'Completing' text "
                      "reached; Window removed from search list"),
            log.end());
}

}  // namespace
}  // namespace tollivox::test
