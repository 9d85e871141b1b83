// {SELECT text}: the item of a page's combo box or list box chosen through the list's own
// messages, and its page told as a choice by the user would tell it, so that neither the front
// nor the keyboard is needed.
#include <string>
#include <vector>

#include "actions/control_wait.h"
#include "app/frmZandrel.h"
#include "app/text.h"

namespace tollivox {

namespace {

// An item that fits the text: the list it is in, its index, and whether it is the list's choice.
struct Fit {
  ControlInfo List;
  int Index = 0;
  bool Chosen = false;
};

std::string Failure(ControlResult Result, const std::string& Item) {
  return StepFailure(Result, Item + " list gone", Item + " item not chosen");
}

bool IsList(ControlKind Kind) {
  return Kind == ControlKind::ComboBox || Kind == ControlKind::ListBox;
}

}  // namespace

std::string frmZandrel::SelectItem(WindowHandle Window, const KeyStep& Step) {
  // Items compare as captions do, case and the blanks around them left out; an item is drawn as
  // it is written, so an "&" in it is its own character.
  const auto normal = [&](std::string_view Item) { return Os.System.ToUpper(TrimSpaces(Item)); };
  const std::string wanted = normal(Step.Text);
  const std::string item = "\"" + Step.Text + "\"";

  Fit found;
  const double until = Os.Clock.MonotonicSeconds() + kEnableWaitSeconds;
  for (int look = 0;; ++look) {
    std::vector<Fit> equal;
    std::vector<Fit> starting;
    for (const ControlInfo& control : Os.Controls.ShownControls(Window)) {
      if (!IsList(control.Kind)) continue;
      const ListReading reading =
          Os.Controls.ListItems(control.Handle, control.Kind, kMostListItems);
      // A list that went away since it was listed holds nothing to choose.
      if (reading.Result == ControlResult::Gone) continue;
      if (reading.Result != ControlResult::Done) return Failure(reading.Result, item);
      for (std::size_t i = 0; i < reading.Items.size(); ++i) {
        const std::string text = normal(reading.Items[i]);
        const Fit fit{control, static_cast<int>(i), reading.Chosen == static_cast<int>(i)};
        if (text == wanted) equal.push_back(fit);
        if (text.compare(0, wanted.size(), wanted) == 0) starting.push_back(fit);
      }
    }
    const std::vector<Fit>& matches = equal.empty() ? starting : equal;
    if (matches.empty()) return "No " + item + " item";
    if (matches.size() > 1) return "Several " + item + " items";
    found = matches.front();
    // Already chosen: nothing to do, so that the string can run again.
    if (found.Chosen) return {};
    if (found.List.Enabled) break;
    if (look >= kMostEnableLooks || Os.Clock.MonotonicSeconds() >= until) {
      return item + " list not enabled";
    }
    Os.Clock.Pause(kEnablePollMilliseconds);
    DoYield();
  }
  return Failure(Os.Controls.Choose(found.List.Handle, found.List.Kind, found.Index), item);
}

}  // namespace tollivox
