// The simulated desktop's controls: listed, pressed, checked and given text as a page's own
// controls are, with the refusals Windows can make (a window that does not answer, one of a
// higher integrity level, a control that is gone).
#include <algorithm>

#include "platform/control_kinds.h"
#include "platform/sim/sim_desktop.h"

namespace tollivox::sim {

WindowHandle SimDesktop::AddControl(WindowHandle Window, SimControl Control) {
  SimWindow* window = Find(Window);
  if (window == nullptr) return 0;
  Control.Handle = nextHandle_;
  nextHandle_ += 4;
  window->Controls.push_back(std::move(Control));
  return window->Controls.back().Handle;
}

SimControl* SimDesktop::FindControl(WindowHandle Control, SimWindow*& Owner) {
  for (SimWindow& window : windows_) {
    for (SimControl& control : window.Controls) {
      if (control.Handle == Control && Control != 0) {
        Owner = &window;
        return &control;
      }
    }
  }
  Owner = nullptr;
  return nullptr;
}

SimControl* SimDesktop::FindControl(WindowHandle Control) {
  SimWindow* owner = nullptr;
  return FindControl(Control, owner);
}

std::vector<ControlInfo> SimDesktop::ShownControls(WindowHandle Window) {
  ControlReads.push_back(Window);
  std::vector<ControlInfo> shown;
  // Read from the window structures, so a window that does not answer is read too.
  if (SimWindow* window = Find(Window)) {
    for (const SimControl& control : window->Controls) {
      // Shown and enabled only when every window up to the top-level one is: a disabled page
      // disables its controls without a word to them.
      bool visible = control.Visible;
      bool enabled = control.Enabled && window->Enabled;
      for (WindowHandle up = control.Parent; up != 0;) {
        const SimControl* parent = FindControl(up);
        if (parent == nullptr) break;
        visible = visible && parent->Visible;
        enabled = enabled && parent->Enabled;
        up = parent->Parent;
      }
      if (!visible) continue;
      const ControlKind kind = control.Kind
                                   ? *control.Kind
                                   : KindOfControl(control.Class, control.BaseClass, control.Style,
                                                   [&] { return DialogCode(control.Handle); });
      shown.push_back({control.Handle, control.Class, control.BaseClass, control.Caption,
                       control.Style, kind, enabled, control.Focused});
    }
  }
  return shown;
}

ControlResult SimDesktop::Reach(WindowHandle Control, bool Sent) {
  SimWindow* owner = nullptr;
  if (FindControl(Control, owner) == nullptr) return ControlResult::Gone;
  if (owner->Elevated) return ControlResult::Refused;
  // A posted message waits in the queue of a window that does not answer; a sent one times out.
  if (Sent && owner->Hung) return ControlResult::NoAnswer;
  return ControlResult::Done;
}

DialogCodeReading SimDesktop::DialogCode(WindowHandle Control) {
  DialogCodeQuestions.push_back(Control);
  const ControlResult reached = Reach(Control, true);
  if (reached != ControlResult::Done) return {reached, 0};
  const SimControl* control = FindControl(Control);
  if (!control->DialogCode) return {ControlResult::NoAnswer, 0};
  return {ControlResult::Done, *control->DialogCode};
}

ControlResult SimDesktop::Press(WindowHandle Control) {
  const ControlResult reached = Reach(Control, false);
  if (reached != ControlResult::Done) return reached;
  controlCalls_.push_back({ControlCall::Press, Control, false, {}});
  SimControl* control = FindControl(Control);
  // Told of an owner-drawn button's click, such a program does nothing.
  if (control->HeedsOwnPressOnly) return ControlResult::Done;
  ++control->Clicks;
  if (OnClicked) OnClicked(Control);
  return ControlResult::Done;
}

ControlResult SimDesktop::MousePress(WindowHandle Control) {
  const ControlResult reached = Reach(Control, false);
  if (reached != ControlResult::Done) return reached;
  controlCalls_.push_back({ControlCall::MousePress, Control, false, {}});
  // A button's own press and release click any button once: its parent hears of it.
  ++FindControl(Control)->Clicks;
  if (OnClicked) OnClicked(Control);
  return ControlResult::Done;
}

CheckReading SimDesktop::IsChecked(WindowHandle Control) {
  const ControlResult reached = Reach(Control, true);
  if (reached != ControlResult::Done) return {reached, false};
  return {ControlResult::Done, FindControl(Control)->Checked};
}

ControlResult SimDesktop::SetChecked(WindowHandle Control, bool Checked) {
  const ControlResult reached = Reach(Control, true);
  if (reached != ControlResult::Done) return reached;
  SimWindow* owner = nullptr;
  SimControl* control = FindControl(Control, owner);
  controlCalls_.push_back({ControlCall::SetChecked, Control, Checked, {}});
  if (control->AutoCheck) {
    control->Checked = Checked;
    if (Checked && control->Kind == ControlKind::RadioButton && control->Group != 0) {
      for (SimControl& other : owner->Controls) {
        if (&other != control && other.Group == control->Group) other.Checked = false;
      }
    }
  }
  if (OnClicked) OnClicked(Control);
  return control->AnswersLate ? ControlResult::NoAnswer : ControlResult::Done;
}

ControlResult SimDesktop::SetText(WindowHandle Control, const std::string& Text) {
  const ControlResult reached = Reach(Control, true);
  if (reached != ControlResult::Done) return reached;
  SimControl* control = FindControl(Control);
  controlCalls_.push_back({ControlCall::SetText, Control, false, Text});
  if (control->RefusesText) return ControlResult::NoEffect;
  control->Text = Text;
  return ControlResult::Done;
}

}  // namespace tollivox::sim
