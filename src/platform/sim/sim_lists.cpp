// The simulated desktop's lists: their items read and one chosen as a page's own combo boxes and
// list boxes are, with the same refusals as the other controls.
#include "platform/sim/sim_desktop.h"

namespace tollivox::sim {

ListReading SimDesktop::ListItems(WindowHandle Control, ControlKind Kind, int Most) {
  ListReading reading;
  reading.Result = Reach(Control, true);
  if (reading.Result != ControlResult::Done) return reading;
  const SimControl* control = FindControl(Control);
  reading.Count = static_cast<int>(control->Items.size());
  reading.Chosen = control->Chosen;
  reading.HasTexts = ListHasTexts(Kind, control->Style);
  if (!reading.HasTexts) return reading;
  const std::size_t most = static_cast<std::size_t>(Most < 0 ? 0 : Most);
  reading.Items.assign(control->Items.begin(), control->Items.size() > most
                                                   ? control->Items.begin() + most
                                                   : control->Items.end());
  return reading;
}

ControlResult SimDesktop::Choose(WindowHandle Control, ControlKind /*Kind*/, int Index) {
  const ControlResult reached = Reach(Control, true);
  if (reached != ControlResult::Done) return reached;
  SimControl* control = FindControl(Control);
  controlCalls_.push_back({ControlCall::Choose, Control, false, {}, Index});
  const int before = control->Chosen;
  if (Index >= 0 && static_cast<std::size_t>(Index) < control->Items.size())
    control->Chosen = Index;
  if (OnClicked) OnClicked(Control);
  if (control->RefusesChoice) control->Chosen = before;
  return control->Chosen == Index ? ControlResult::Done : ControlResult::NoEffect;
}

}  // namespace tollivox::sim
