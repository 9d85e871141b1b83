// Key strings that name a page's controls: which control a caption finds, what is done to it,
// what is said when nothing can be, and what such a string needs of the window and the desktop.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/control_kinds.h"

namespace tollivox::test {
namespace {

using sim::ControlCall;
using sim::SimControl;

// A control taken for what its class and style say, as a framework's are.
SimControl Framework(const std::string& Class, std::uint32_t Style, const std::string& Caption) {
  SimControl control;
  control.Class = Class;
  control.Style = Style;
  control.Caption = Caption;
  return control;
}

SimControl Make(ControlKind Kind, const std::string& Caption, bool Checked = false, int Group = 0) {
  SimControl control;
  control.Kind = Kind;
  control.Caption = Caption;
  control.Checked = Checked;
  control.Group = Group;
  control.Class = Kind == ControlKind::Edit ? "Edit" : "Button";
  return control;
}

SimControl MakeList(ControlKind Kind, std::vector<std::string> Items, int Chosen) {
  SimControl list = Make(Kind, "");
  list.Class = Kind == ControlKind::ComboBox ? "ComboBox" : "ListBox";
  list.Items = std::move(Items);
  list.Chosen = Chosen;
  return list;
}

// A licence page: its buttons, a check box, a radio group, two edit boxes, a language box, a
// list of setup types and a hidden Finish.
struct Page {
  WindowHandle Window = 0;
  WindowHandle Next = 0, Back = 0, Accept = 0, ForMe = 0, ForAll = 0, Folder = 0, Name = 0;
  WindowHandle Language = 0;

  explicit Page(sim::SimDesktop& Desk) {
    Window = Desk.CreateWindow("Setup");
    Desk.AddControl(Window, "Please read the licence.");
    Back = Desk.AddControl(Window, Make(ControlKind::PushButton, "&Back"));
    Next = Desk.AddControl(Window, Make(ControlKind::PushButton, "&Next >"));
    Desk.AddControl(Window, Make(ControlKind::PushButton, "Cancel"));
    Accept = Desk.AddControl(Window, Make(ControlKind::CheckBox, "I &accept the terms"));
    ForMe = Desk.AddControl(Window, Make(ControlKind::RadioButton, "Install for &me", true, 1));
    ForAll =
        Desk.AddControl(Window, Make(ControlKind::RadioButton, "Install for &everyone", false, 1));
    Folder = Desk.AddControl(Window, Make(ControlKind::Edit, "C:\\Orbit"));
    Name = Desk.AddControl(Window, Make(ControlKind::Edit, ""));
    Language = Desk.AddControl(
        Window, MakeList(ControlKind::ComboBox,
                         {"English (United Kingdom)", "English", "Deutsch", "Nederlands"}, -1));
    Desk.AddControl(Window, MakeList(ControlKind::ListBox,
                                     {"Full installation", "Compact installation", "Custom"}, 0));
    SimControl finish = Make(ControlKind::PushButton, "&Finish");
    finish.Visible = false;
    Desk.AddControl(Window, finish);
  }
};

// What was done to the page, by caption: "press <caption>", "check <caption> 0|1", "text <text>".
std::vector<std::string> Done(sim::SimDesktop& Desk) {
  std::vector<std::string> done;
  for (const ControlCall& call : Desk.ControlCalls()) {
    const SimControl* control = Desk.FindControl(call.Control);
    const std::string caption = control ? control->Caption : "?";
    switch (call.What) {
      case ControlCall::Press:
        // A program that heeds only its button's own press does nothing when told of a click.
        done.push_back("press " + caption +
                       (control && control->HeedsOwnPressOnly ? " unheard" : ""));
        break;
      case ControlCall::MousePress:
        done.push_back("mouse " + caption);
        break;
      case ControlCall::SetChecked:
        done.push_back("check " + caption + (call.Checked ? " 1" : " 0"));
        break;
      case ControlCall::SetText:
        done.push_back("text " + call.Text);
        break;
      case ControlCall::Choose:
        done.push_back("choose " + control->Items.at(static_cast<std::size_t>(call.Index)));
        break;
    }
  }
  return done;
}

std::vector<std::string> KeyLines(const std::vector<std::string>& Log) {
  std::vector<std::string> lines;
  for (const std::string& line : Log) {
    if (line.find("keystrokes") != std::string::npos) lines.push_back(line);
  }
  return lines;
}

TEST(ControlSteps, FindTheirControlActOnItOnceAndSayWhyNot) {
  using Change = std::function<void(Harness&, Page&)>;
  const Change none = [](Harness&, Page&) {};
  const auto language = [](std::function<void(SimControl&)> Set) -> Change {
    return [Set](Harness& h, Page& p) { Set(*h.Desk.FindControl(p.Language)); };
  };
  struct Case {
    std::string Keys;
    Change Before;
    std::vector<std::string> Done;
    std::string Withheld;  // the reason of the withheld line; "" when the string went through
  } cases[] = {
      {"{CLICK cancel}", none, {"press Cancel"}, ""},
      {"{CLICK Next}", none, {"press &Next >"}, ""},
      {"{CLICK &Next >}", none, {"press &Next >"}, ""},
      // An equal caption wins over the ones that only begin with the text.
      {"{CLICK  Back }",
       [](Harness& h, Page& p) {
         h.Desk.AddControl(p.Window, Make(ControlKind::PushButton, "Background"));
       },
       {"press &Back"},
       ""},
      {"{CLICK Next}",
       [](Harness& h, Page& p) {
         h.Desk.AddControl(p.Window, Make(ControlKind::PushButton, "Next step"));
       },
       {},
       "Several \"Next\" buttons"},
      {"{CLICK Finish}", none, {}, "No \"Finish\" button"},
      {"{CHECK Next}", none, {}, "No \"Next\" check box"},
      {"{CLICK Next}",
       [](Harness& h, Page& p) { h.Desk.FindControl(p.Next)->Enabled = false; },
       {},
       "\"Next\" button not enabled"},
      // A page disabled while its program works disables its buttons without a word to them,
      // also when an earlier step of the same string disabled it.
      {"{CLICK Next}",
       [](Harness& h, Page& p) {
         h.Desk.FindControl(p.Next)->Parent = h.Desk.AddControl(p.Window, Make({}, "page"));
         h.Desk.FindControl(h.Desk.FindControl(p.Next)->Parent)->Enabled = false;
       },
       {},
       "\"Next\" button not enabled"},
      {"{CHECK I accept}{CLICK Next}",
       [](Harness& h, Page& p) {
         const WindowHandle inner = h.Desk.AddControl(p.Window, Make({}, "page"));
         h.Desk.FindControl(p.Next)->Parent = inner;
         h.Desk.OnClicked = [&h, inner](WindowHandle) {
           h.Desk.FindControl(inner)->Enabled = false;
         };
       },
       {"check I &accept the terms 1"},
       "\"Next\" button not enabled"},
      // Enabled a moment later, as a page enables Next after a click.
      {"{CLICK Next}",
       [](Harness& h, Page& p) {
         h.Desk.FindControl(p.Next)->Enabled = false;
         h.Desk.OnPause = [&h, &p](int Pauses) {
           if (Pauses == 20) h.Desk.FindControl(p.Next)->Enabled = true;
         };
       },
       {"press &Next >"},
       ""},
      {"{CHECK I accept}{CLICK Next}", none, {"check I &accept the terms 1", "press &Next >"}, ""},
      {"{CLICK I accept}", none, {"check I &accept the terms 1"}, ""},
      {"{UNCHECK I accept}", none, {}, ""},
      {"{CHECK Install for me}", none, {}, ""},
      {"{CHECK Install for everyone}", none, {"check Install for &everyone 1"}, ""},
      {"{UNCHECK Install for everyone}", none, {}, ""},
      {"{UNCHECK Install for me}", none, {}, "\"Install for me\" radio button cannot be unchecked"},
      {"{CHECK Install}", none, {}, "Several \"Install\" check boxes"},
      // A box its page keeps (a Windows Installer check box) changes when the page is told.
      {"{CHECK I accept}",
       [](Harness& h, Page& p) {
         h.Desk.FindControl(p.Accept)->AutoCheck = false;
         h.Desk.OnClicked = [&h](WindowHandle Control) {
           h.Desk.FindControl(Control)->Checked = !h.Desk.FindControl(Control)->Checked;
         };
       },
       {"check I &accept the terms 1"},
       ""},
      {"{CHECK I accept}",
       [](Harness& h, Page& p) { h.Desk.FindControl(p.Accept)->AutoCheck = false; },
       {"check I &accept the terms 1"},
       "\"I accept\" check box still unchecked"},
      // The rest of a string is not done once a step cannot be.
      {"{CHECK I accept}{CLICK Help}{CLICK Next}",
       none,
       {"check I &accept the terms 1"},
       "No \"Help\" button"},
      {"{SETTEXT D:\\Tools\\Orbit}", none, {"text D:\\Tools\\Orbit"}, ""},
      {"{SETTEXT }",
       [](Harness& h, Page& p) { h.Desk.FindControl(p.Name)->Focused = true; },
       {"text "},
       ""},
      {"{SETTEXT x}",
       [](Harness& h, Page& p) { h.Desk.FindControl(p.Folder)->Enabled = false; },
       {"text x"},
       ""},
      // Another program cannot read a password box's text back; its answer to the text counts.
      {"{SETTEXT s3cret}",
       [](Harness& h, Page& p) { h.Desk.FindControl(p.Folder)->Style = 0x20; },  // ES_PASSWORD
       {"text s3cret"},
       ""},
      {"{SETTEXT x}",
       [](Harness& h, Page& p) { h.Desk.FindControl(p.Folder)->RefusesText = true; },
       {"text x"},
       "Edit box did not change"},
      {"{SETTEXT x}",
       [](Harness& h, Page& p) {
         h.Desk.FindControl(p.Folder)->Visible = false;
         h.Desk.FindControl(p.Name)->Visible = false;
       },
       {},
       "No edit box"},
      // An equal item wins over the ones that only begin with the text; blanks and case left out.
      {"{SELECT english}", none, {"choose English"}, ""},
      {"{select  Compact }", none, {"choose Compact installation"}, ""},
      {"{SELECT Full}", none, {}, ""},  // already chosen
      {"{SELECT C}", none, {}, "Several \"C\" items"},
      {"{SELECT Deutsch}",
       [](Harness& h, Page& p) {
         h.Desk.AddControl(p.Window, MakeList(ControlKind::ComboBox, {"Deutsch"}, -1));
       },
       {},
       "Several \"Deutsch\" items"},
      {"{SELECT Klingon}", none, {}, "No \"Klingon\" item"},
      {"{SELECT Next}", none, {}, "No \"Next\" item"},
      {"{SELECT Deutsch}",
       language([](SimControl& c) { c.RefusesChoice = true; }),
       {"choose Deutsch"},
       "\"Deutsch\" item not chosen"},
      // Owner-drawn without strings (CBS_OWNERDRAWFIXED): its items are data, never read as text.
      {"{SELECT Deutsch}",
       language([](SimControl& c) { c.Style = 0x10; }),
       {},
       "No \"Deutsch\" item"},
      {"{SELECT Deutsch}",
       language([](SimControl& c) { c.Style = 0x210; }),
       {"choose Deutsch"},
       ""},
      {"{SELECT Deutsch}",
       language([](SimControl& c) { c.Enabled = false; }),
       {},
       "\"Deutsch\" list not enabled"},
      {"{SELECT Deutsch}{CHECK I accept}{CLICK Next}",
       none,
       {"choose Deutsch", "check I &accept the terms 1", "press &Next >"},
       ""},
      {"{CLICK Next}",
       [](Harness& h, Page& p) { h.Desk.Find(p.Window)->Hung = true; },
       {},
       "Window not responding"},
      // Inno Setup's licence page: Delphi's superclasses of the system's buttons.
      {"{CHECK Agree}{CLICK Install}",
       [](Harness& h, Page& p) {
         h.Desk.AddControl(p.Window, Framework("TNewRadioButton", kBsAutoRadioButton, "&Agree"));
         h.Desk.AddControl(p.Window, Framework("TNewButton", kBsPushButton, "&Install"));
       },
       {"check &Agree 1", "press &Install"},
       ""},
      // WinForms draws its buttons and clicks them on their own press, once.
      {"{CLICK Go}",
       [](Harness& h, Page& p) {
         SimControl go =
             Framework("WindowsForms10.BUTTON.app.0.2bf8098_r6_ad1", kBsOwnerDraw, "&Go");
         go.HeedsOwnPressOnly = true;
         h.Desk.AddControl(p.Window, go);
       },
       {"mouse &Go"},
       ""},
      // The system's own owner-drawn buttons (a skinned page) are pressed through the parent.
      {"{CLICK Skin}",
       [](Harness& h, Page& p) {
         h.Desk.AddControl(p.Window, Framework("Button", kBsOwnerDraw, "&Skin"));
       },
       {"press &Skin"},
       ""},
      // A box that draws its own state cannot say it: clicked, never checked or unchecked.
      {"{CHECK Remember}",
       [](Harness& h, Page& p) {
         h.Desk.AddControl(p.Window, Framework("TNewCheckBox", kBsOwnerDraw, "&Remember"));
       },
       {},
       "\"Remember\" check box state cannot be read"},
      {"{CLICK Remember}",
       [](Harness& h, Page& p) {
         h.Desk.AddControl(p.Window, Framework("ThunderRT6CheckBox", kBsOwnerDraw, "&Remember"));
       },
       {"mouse &Remember"},
       ""},
      {"{CLICK Next}",
       [](Harness& h, Page& p) { h.Desk.Find(p.Window)->Elevated = true; },
       {},
       "Window runs as administrator"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Keys);
    Harness h;
    Page page(h.Desk);
    c.Before(h, page);
    ASSERT_TRUE(h.Load("/W:Setup /K:" + c.Keys + " /C:1 /T:-1 /L:run.log"));
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(Done(h.Desk), c.Done);
    std::vector<std::string> expected = {"Sending \"" + c.Keys + "\" keystrokes..."};
    if (!c.Withheld.empty()) {
      const std::string line = c.Withheld + "; \"" + c.Keys + "\" keystrokes not sent.";
      // Refused before anything is done, the string is announced by its withheld line alone.
      if (c.Done.empty() && c.Withheld.rfind("Window", 0) == 0) expected.clear();
      expected.push_back(line);
    }
    EXPECT_EQ(KeyLines(h.LogTexts(h.LogPath("run.log"))), expected);
    // A string that could not be done is tried again at the next visit.
    EXPECT_EQ(h.Form.WindowStrings[1], c.Withheld.empty() ? "" : "Setup");
    EXPECT_TRUE(h.Desk.Sent().empty());
  }
}

// A string withheld part way goes on at the next visit from the step withheld, on the same
// window only: nothing it did is done twice. With /S the strings that went through stay done.
TEST(ControlSteps, AWithheldStringGoesOnWhereItStoppedOnTheSameWindow) {
  using Change = std::function<void(Harness&, Page&)>;
  const Change none = [](Harness&, Page&) {};
  const Change showFinish = [](Harness& h, Page& p) {
    for (SimControl& control : h.Desk.Find(p.Window)->Controls) control.Visible = true;
  };
  struct Case {
    std::string Args;
    Change Before, Between;  // Between: after the first tick
    std::vector<std::string> Done;
    std::vector<std::string> Sending;  // the Sending lines, tick by tick
  } cases[] = {
      {"/K:{CLICK Next}{CLICK Finish}",
       none,
       none,
       {"press &Next >"},
       {"", " from step 2", " from step 2"}},
      {"/K:{CLICK Next}{CLICK Finish}",
       none,
       showFinish,
       {"press &Next >", "press &Finish"},
       {"", " from step 2"}},
      // Another window starts from the beginning.
      {"/K:{CLICK Next}{CLICK Finish}",
       none,
       [](Harness& h, Page&) { Page again(h.Desk); },
       {"press &Next >", "press &Next >"},
       {"", "", " from step 2"}},
      // A box whose page answered late has had its click: it is not clicked back.
      {"/K:{CLICK I accept}{CLICK Next}",
       [](Harness& h, Page& p) { h.Desk.FindControl(p.Accept)->AnswersLate = true; },
       none,
       {"check I &accept the terms 1", "press &Next >"},
       {"", ""}},
      {"/W:Setup,Other /K:{CLICK Next},{CLICK Finish} /S:1",
       none,
       showFinish,
       {"press &Next >", "press &Finish"},
       {"", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args);
    Harness h;
    Page page(h.Desk);
    c.Before(h, page);
    const std::string watch = c.Args.rfind("/W:", 0) == 0 ? "" : "/W:Setup ";
    ASSERT_TRUE(h.Load(watch + c.Args + " /C:1 /T:-1 /L:run.log"));
    std::vector<std::string> sending;
    for (std::size_t tick = 0; tick < 3 && h.Form.WindowStrings[1] == "Setup"; ++tick) {
      ASSERT_TRUE(h.Tick());
      if (tick == 0) c.Between(h, page);
    }
    for (const std::string& line : KeyLines(h.LogTexts(h.LogPath("run.log")))) {
      const std::size_t from = line.find("keystrokes");
      if (line.rfind("Sending", 0) == 0)
        sending.push_back(line.substr(from + 10, line.size() - from - 13));
    }
    EXPECT_EQ(Done(h.Desk), c.Done);
    EXPECT_EQ(sending, c.Sending);
  }
}

// What a control is taken for comes from its class family, or from the base class Windows names,
// and only where neither tells from its answer to WM_GETDLGCODE; system classes are never asked.
TEST(ControlSteps, TakeControlsForWhatTheyAreAskingOnlyWhereTheNameDoesNotTell) {
  constexpr std::uint32_t kGroupBox = 0x07;
  const std::optional<std::uint32_t> none;
  struct Row {
    const char* Class;
    const char* Base;
    std::uint32_t Style;
    std::optional<std::uint32_t> Answer;
    ControlKind Kind;
    bool Asked;
  } rows[] = {
      {"button", "", kBsAutoCheckBox, 0x2000, ControlKind::CheckBox, false},
      {"Static", "", 0, 0x100, ControlKind::Other, false},
      {"ListBox", "", kLbsExtendedSel, none, ControlKind::Other, false},
      {"TNewButton", "", kBsDefPushButton, none, ControlKind::PushButton, false},
      {"TBitBtn", "", kBsOwnerDraw, none, ControlKind::PushButton, false},
      {"TNewRadioButton", "", kBsAutoRadioButton, none, ControlKind::RadioButton, false},
      {"TCheckBox", "", kBs3State, none, ControlKind::CheckBox, false},
      {"TNewMemo", "", kEsReadOnly, none, ControlKind::Other, false},
      {"TNewComboBox", "", 0x03, none, ControlKind::ComboBox, false},
      {"TNewCheckListBox", "", 0, 0x81, ControlKind::Other, false},
      {"ThunderRT6CommandButton", "", kBsPushButton, none, ControlKind::PushButton, false},
      {"ThunderRT6OptionButton", "", kBsAutoRadioButton, none, ControlKind::RadioButton, false},
      {"ThunderCheckBox", "", kBsAutoCheckBox, none, ControlKind::CheckBox, false},
      {"ThunderRT6TextBox", "", 0, none, ControlKind::Edit, false},
      {"WindowsForms10.BUTTON.app.0.141b42a_r9_ad1", "", kBsOwnerDraw, none,
       ControlKind::PushButton, false},
      {"WindowsForms10.EDIT.app.0.141b42a_r9_ad1", "", 0, none, ControlKind::Edit, false},
      {"WindowsForms10.Window.8.app.0.1", "", 0, 0, ControlKind::Other, false},
      // Windows names the base class of a superclass.
      {"WTL_BitmapButton", "Button", kBsOwnerDraw, none, ControlKind::PushButton, false},
      // Names that tell nothing: an ATL superclass, a program's own class.
      {"ATL:0040A1B0", "", kBsPushButton, 0x2020, ControlKind::PushButton, true},
      {"OrbitRadio", "", kBsAutoRadioButton, 0x2040, ControlKind::RadioButton, true},
      {"OrbitBox", "", kBsAutoCheckBox, 0x2000, ControlKind::CheckBox, true},
      {"OrbitFrame", "", kGroupBox, 0x2000, ControlKind::Other, true},
      {"OrbitEdit", "", 0, 0x89, ControlKind::Edit, true},
      {"OrbitEdit", "", kEsReadOnly, 0x89, ControlKind::Other, true},
      {"OrbitPanel", "", kBsPushButton, 0, ControlKind::Other, true},
      {"OrbitSlow", "", kBsPushButton, none, ControlKind::Other, true},  // no answer in time
  };
  for (bool hung : {false, true}) {
    Harness h;
    const WindowHandle window = h.Desk.CreateWindow("Setup");
    h.Desk.Find(window)->Hung = hung;
    std::vector<WindowHandle> asked;
    for (const Row& row : rows) {
      SimControl control = Framework(row.Class, row.Style, row.Class);
      control.BaseClass = row.Base;
      control.DialogCode = row.Answer;
      const WindowHandle handle = h.Desk.AddControl(window, control);
      if (row.Asked) asked.push_back(handle);
    }
    const std::vector<ControlInfo> shown = h.Desk.ShownControls(window);
    ASSERT_EQ(shown.size(), std::size(rows));
    for (std::size_t i = 0; i < shown.size(); ++i) {
      SCOPED_TRACE(std::string(rows[i].Class) + (hung ? " hung" : ""));
      // A program that does not answer has its controls taken for what their names say.
      EXPECT_EQ(shown[i].Kind, hung && rows[i].Asked ? ControlKind::Other : rows[i].Kind);
    }
    EXPECT_EQ(h.Desk.DialogCodeQuestions, asked);
  }
}

// Control steps need neither the front nor the input desktop, and with /A:4 or /A:5 the user's
// focus is never touched; a string that also types keys needs both, for all of its steps.
TEST(ControlSteps, OnlyStringsThatTypeNeedTheFrontAndTheDesktop) {
  struct Case {
    std::string Args;
    std::vector<std::string> Done;
    std::string Typed;
    std::string Withheld;
  } cases[] = {
      {"/K:{CHECK I accept}{CLICK Next} /A:1",
       {"check I &accept the terms 1", "press &Next >"},
       "",
       ""},
      {"/K:{CLICK Next} /A:4", {"press &Next >"}, "", ""},
      {"/K:{SELECT Deutsch} /A:1", {"choose Deutsch"}, "", ""},
      {"/K:{CHECK I accept}%n /A:1", {}, "", "Window not in front"},
      {"/K:{CHECK I accept},{CLICK Next} /W:Setup,Other /S:1 /A:5",
       {"check I &accept the terms 1", "press &Next >"},
       "",
       ""},
  };
  for (bool locked : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.Args + (locked ? " locked" : ""));
      Harness h;
      Page page(h.Desk);
      const WindowHandle editor = h.Desk.CreateWindow("Editor");
      (void)h.Desk.SetForeground(editor);
      h.Desk.RefuseForeground = true;
      h.Desk.InputDesktop = !locked;
      ASSERT_TRUE(h.Load("/W:Setup " + c.Args + " /T:-1 /L:run.log"));
      // The front wait is for typed keys alone: no pause without them.
      ASSERT_TRUE(h.Tick());
      EXPECT_EQ(Done(h.Desk), c.Done);
      EXPECT_EQ(h.Desk.Focus(), editor);
      EXPECT_TRUE(h.Desk.Sent().empty());
      const std::vector<std::string> lines = KeyLines(h.LogTexts(h.LogPath("run.log")));
      if (c.Withheld.empty()) {
        EXPECT_EQ(h.Desk.Pauses, 0);
        for (const std::string& line : lines) EXPECT_EQ(line.find("not sent"), std::string::npos);
      } else {
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind(locked ? "Desktop not receiving input" : c.Withheld, 0), 0u);
      }
    }
  }
  // Let through, a mixed string runs its steps in their written order.
  Harness h;
  Page page(h.Desk);
  ASSERT_TRUE(h.Load("/W:Setup /K:{CHECK I accept}%n{SETTEXT x} /T:-1 /L:run.log"));
  ASSERT_TRUE(h.Tick());
  EXPECT_EQ(Done(h.Desk), (std::vector<std::string>{"check I &accept the terms 1", "text x"}));
  EXPECT_EQ(h.Desk.TypedInto(page.Window), "{VK:12}n");
}

}  // namespace
}  // namespace tollivox::test
