// The control steps of a key string: a page's button pressed, a box checked or unchecked, an
// edit box given its text, all through the controls' own messages, so that neither the front
// nor the keyboard is needed.
#include <string>
#include <vector>

#include "actions/control_wait.h"
#include "app/frmZandrel.h"
#include "app/text.h"
#include "platform/control_kinds.h"

namespace tollivox {

namespace {

std::string Quoted(const std::string& Text) { return "\"" + Text + "\""; }

// The word for what a step looks for, and for a control found.
const char* Noun(ControlVerb Verb) {
  switch (Verb) {
    case ControlVerb::Click:
      return "button";
    case ControlVerb::SetText:
      return "edit box";
    default:
      return "check box";
  }
}

std::string Plural(const char* Noun) {
  const std::string noun = Noun;
  return noun.back() == 'x' ? noun + "es" : noun + "s";
}

std::string Failure(ControlResult Result, const std::string& Name) {
  return StepFailure(Result, Name + " gone", Name + " did not change");
}

bool Fits(ControlVerb Verb, ControlKind Kind) {
  switch (Verb) {
    case ControlVerb::Click:
      return Kind == ControlKind::PushButton || Kind == ControlKind::CheckBox ||
             Kind == ControlKind::RadioButton;
    case ControlVerb::Check:
    case ControlVerb::Uncheck:
      return Kind == ControlKind::CheckBox || Kind == ControlKind::RadioButton;
    case ControlVerb::SetText:
      return Kind == ControlKind::Edit;
    case ControlVerb::Select:
      return Kind == ControlKind::ComboBox || Kind == ControlKind::ListBox;
  }
  return false;
}

}  // namespace

std::string frmZandrel::ActOnControl(WindowHandle Window, const KeyStep& Step, int* LeftChecked) {
  if (!Os.Windows.IsAlive(Window)) return "Window closed";
  if (Step.Verb == ControlVerb::Select) return SelectItem(Window, Step);
  // Captions compare as the window texts of /X: do: case and access-key marks left out, and
  // the blanks around them.
  const auto normal = [&](std::string_view Caption) {
    return Os.System.ToUpper(TrimSpaces(WithoutAccessKeys(Caption)));
  };
  const std::string wanted = normal(Step.Text);
  const bool setText = Step.Verb == ControlVerb::SetText;
  const std::string lookedFor = setText ? "Edit box" : Quoted(Step.Text) + " " + Noun(Step.Verb);

  ControlInfo found;
  const double until = Os.Clock.MonotonicSeconds() + kEnableWaitSeconds;
  for (int look = 0;; ++look) {
    const std::vector<ControlInfo> shown = Os.Controls.ShownControls(Window);
    std::vector<const ControlInfo*> equal;
    std::vector<const ControlInfo*> starting;
    const ControlInfo* focused = nullptr;
    const ControlInfo* firstEnabled = nullptr;
    const ControlInfo* first = nullptr;
    for (const ControlInfo& control : shown) {
      if (!Fits(Step.Verb, control.Kind)) continue;
      if (setText) {
        if (control.Focused && focused == nullptr) focused = &control;
        if (control.Enabled && firstEnabled == nullptr) firstEnabled = &control;
        if (first == nullptr) first = &control;
        continue;
      }
      const std::string caption = normal(control.Caption);
      if (caption == wanted) equal.push_back(&control);
      if (caption.compare(0, wanted.size(), wanted) == 0) starting.push_back(&control);
    }
    const ControlInfo* pick = nullptr;
    if (setText) {
      // The box the user would type into: the focused one, else the first in tab order.
      pick = focused ? focused : firstEnabled ? firstEnabled : first;
      if (pick == nullptr) return "No edit box";
    } else {
      const std::vector<const ControlInfo*>& matches = equal.empty() ? starting : equal;
      if (matches.empty()) return "No " + Quoted(Step.Text) + " " + Noun(Step.Verb);
      if (matches.size() > 1) return "Several " + Quoted(Step.Text) + " " + Plural(Noun(Step.Verb));
      pick = matches.front();
    }
    found = *pick;
    if (found.Enabled) break;
    if (look >= kMostEnableLooks || Os.Clock.MonotonicSeconds() >= until) {
      return (setText ? std::string("Edit box") : Quoted(Step.Text) + " " + KindWord(found.Kind)) +
             " not enabled";
    }
    Os.Clock.Pause(kEnablePollMilliseconds);
    DoYield();
  }

  const std::string name = setText ? lookedFor : Quoted(Step.Text) + " " + KindWord(found.Kind);
  if (setText) return Failure(Os.Controls.SetText(found.Handle, Step.Text), name);
  // A box that draws its own state cannot say it: a click turns it over as the user's would,
  // while checking or unchecking it could not tell when to stop.
  const bool unreadable = CheckStateUnreadable(found);
  if (found.Kind == ControlKind::PushButton || (unreadable && Step.Verb == ControlVerb::Click)) {
    // One way only: a system button pressed both ways would be clicked twice.
    return Failure(PressedByItsOwnMouse(found) ? Os.Controls.MousePress(found.Handle)
                                               : Os.Controls.Press(found.Handle),
                   name);
  }
  if (unreadable) return name + " state cannot be read";

  const CheckReading before = Os.Controls.IsChecked(found.Handle);
  if (before.Result != ControlResult::Done) return Failure(before.Result, name);
  // A click turns a check box over and always leaves a radio button checked; a box already in
  // the state asked for is left alone, so that the string can run again.
  bool wantedState = true;
  if (Step.Verb == ControlVerb::Click) {
    wantedState = found.Kind == ControlKind::RadioButton || !before.Checked;
  } else if (Step.Verb == ControlVerb::Uncheck) {
    wantedState = false;
  }
  if (Step.Verb != ControlVerb::Click && before.Checked == wantedState) return {};
  // Nothing but another button of its group unchecks a radio button.
  if (!wantedState && found.Kind == ControlKind::RadioButton) return name + " cannot be unchecked";
  const ControlResult set = Os.Controls.SetChecked(found.Handle, wantedState);
  // Not answered in time, the click is still handled later: the box is left as clicked.
  if (set == ControlResult::NoAnswer && LeftChecked != nullptr) *LeftChecked = wantedState ? 1 : 0;
  if (set != ControlResult::Done) return Failure(set, name);
  // The page may keep its own state and ignore the click: read back what it shows now.
  const CheckReading after = Os.Controls.IsChecked(found.Handle);
  if (after.Result != ControlResult::Done) return Failure(after.Result, name);
  if (after.Checked != wantedState)
    return name + (wantedState ? " still unchecked" : " still checked");
  return {};
}

}  // namespace tollivox
