// The watch cycle: one timer tick visits every watch entry once, acts on the windows it finds,
// gives up entries whose time is over, and ends the program once every entry is dealt with.
#include <algorithm>
#include <string>
#include <vector>

#include "app/frmZandrel.h"

namespace tollivox {

namespace {

// Shows a step in the status label, lets it repaint, then logs it in the same words.
void Announce(frmZandrel& Form, const std::string& Text) {
  Form.ShowStatus(Text);
  Form.Add2Log(Form.LogFilePath, Text);
}

void TitleStep(frmZandrel& Form, int Entry, const std::string& Text) {
  const std::string shown = Form.WindowTexts.ValueOr(Entry, {});
  // Entries with one title are told apart in the log by the text they wait for.
  std::string subject = "\"" + Text + "\" string";
  if (!shown.empty()) subject += " and \"" + shown + "\" text";
  subject += "...";
  Announce(Form, "Looking for window containing " + subject);
  // Only the first window in z-order whose title matches (and which shows the text) counts, even
  // when it is hidden or disabled and a usable one lies below it.
  const WindowHandle window = Form.FindWindowByTitle(Text, shown);
  if (window != 0 && Form.Os.Windows.IsEnabled(window) && Form.Os.Windows.IsVisible(window)) {
    Announce(Form, "Found window containing " + subject);
    Form.DoActions(window, static_cast<std::int16_t>(Entry));
  } else {
    const std::string text = "'" + Text + "' window" + Form.TextWords(Entry, '\'') + " not found.";
    Form.Add2Log(Form.LogFilePath, text);
    Form.ShowStatus(text);
  }
}

void TimeoutStep(frmZandrel& Form, int Entry) {
  Form.CurrentTime = static_cast<float>(Form.Os.Clock.SecondsSinceMidnight());
  const std::int16_t timeout = Form.TimeoutSeconds.ValueOr(Entry, 3);
  // Elapsed time comes from the monotonic clock: the time of day falls back to 0 at midnight,
  // which would keep a timeout running until the same hour of the next day.
  const double elapsed = Form.Os.Clock.MonotonicSeconds() - Form.StartMonotonic;
  if (timeout < 0 || !(elapsed > timeout)) return;
  Form.Add2Log(Form.LogFilePath, "Timeout of " + std::to_string(timeout) + " seconds for '" +
                                     Form.WindowStrings[Entry] + "' window" +
                                     Form.TextWords(Entry, '\'') +
                                     " reached; Window removed from search list");
  Form.WindowStrings[Entry] = "";
}

void AllWindowsStep(frmZandrel& Form, int Entry) {
  const std::string shown = Form.WindowTexts.ValueOr(Entry, {});
  Announce(Form,
           "Executing applicable actions for all windows" + Form.TextWords(Entry, '"') + "...");
  const std::int16_t last = Form.EnumWindowHandles(Form.CurrentHandles);
  for (int j = 1; j <= last; ++j) {
    const WindowHandle window = Form.CurrentHandles[j];
    const std::string title = Form.CleanTitle(window);
    const bool enabled = Form.Os.Windows.IsEnabled(window);
    const bool visible = Form.Os.Windows.IsVisible(window);
    if (enabled && visible && !title.empty() && Form.ShowsText(window, shown)) {
      Announce(Form, "Acting on window \"" + title + "\"...");
      // The entry may have been dealt with by an earlier window of this tick; the rest of the
      // windows still get their actions, and the entry counts as finished from the next tick.
      Form.DoActions(window, static_cast<std::int16_t>(Entry));
    }
  }
}

void NewWindowsStep(frmZandrel& Form, int Entry) {
  const std::string shown = Form.WindowTexts.ValueOr(Entry, {});
  Announce(Form, "Looking for new windows" + Form.TextWords(Entry, '"') + "...");
  const std::int16_t last = Form.EnumWindowHandles(Form.CurrentHandles);
  // Sorted once per visit, so a crowded desktop costs n log n here instead of n squared.
  std::vector<WindowHandle> present;
  for (int k = 1; k <= Form.StartHandles.UBound(); ++k) present.push_back(Form.StartHandles[k]);
  std::sort(present.begin(), present.end());
  for (int j = 1; j <= last; ++j) {
    const WindowHandle window = Form.CurrentHandles[j];
    const bool isNew = !std::binary_search(present.begin(), present.end(), window);
    const bool enabled = Form.Os.Windows.IsEnabled(window);
    const bool visible = Form.Os.Windows.IsVisible(window);
    if (!isNew || !enabled || !visible) continue;
    const std::string title = Form.CleanTitle(window);
    if (title.empty() || !Form.ShowsText(window, shown)) continue;
    Announce(Form, "New window found (\"" + title + "\")...");
    Form.DoActions(window, static_cast<std::int16_t>(Entry));
  }
}

void EndSequence(frmZandrel& Form) {
  Form.Add2Log(Form.LogFilePath, "Dealt with all windows for counts and timeouts specified");
  Form.Add2Log(Form.LogFilePath, ">>>>> Unloaded");
  if (Form.ConsoleMode != 2) Form.RemoveTrayIcon();
  Form.Os.System.EndProgram(kExitFinished);
}

void RunTick(frmZandrel& Form) {
  std::int16_t finished = 0;
  const std::int16_t count = Form.WindowCount;
  for (int i = 1; i <= count; ++i) {
    const std::string text = Form.WindowStrings[i];
    if (text.empty()) {
      // Entries that finish during this tick are counted in the next one, so the tick that
      // ends the program has nothing else to do before it.
      if (++finished == Form.WindowCount) EndSequence(Form);
    } else if (text.front() == '$') {
      const std::string keyword = Form.Os.System.ToUpper(std::string_view(text).substr(1));
      if (keyword == "ALL") {
        AllWindowsStep(Form, i);
      } else if (keyword == "NEW") {
        NewWindowsStep(Form, i);
      }
      // Any other word is inert: it never matches and never finishes.
    } else {
      TitleStep(Form, i, text);
      TimeoutStep(Form, i);
    }
  }
  Form.ShowStatus(kWaitingText);
}

}  // namespace

std::string frmZandrel::TextWords(int Entry, char Quote) {
  const std::string shown = WindowTexts.ValueOr(Entry, {});
  return shown.empty() ? shown : " with " + (Quote + shown) + Quote + " text";
}

void frmZandrel::tmrWaitForWindow_Timer() {
  // A timer event that arrives while a tick waits in a yield is dropped: the entry loop and
  // CurrentHandles belong to the tick in progress.
  if (TickInProgress) return;
  // A timer event queued before a failure report stopped the timer must not start a tick
  // under its box.
  if (Terminating != 0) return;
  TickInProgress = true;
  struct Done {
    bool& Flag;
    ~Done() { Flag = false; }
  } done{TickInProgress};
  Event("tmrWaitForWindow_Timer", [&] { RunTick(*this); });
}

}  // namespace tollivox
