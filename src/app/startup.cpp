// Start-up: the load procedure of the console, run when the program starts and again by Start.
#include <string>

#include "app/frmZandrel.h"

namespace tollivox {

void frmZandrel::Form_Load() {
  Guard("Form_Load", [&] {
    // Asked once: whether the boxes we may show can be seen by anyone.
    CheckStation();
    TaskBarPresent = TaskBarExists();
    const VersionNumbers version = Os.System.Version();
    AppTitle = std::string(kProductName) + " " + std::to_string(version.Major) + "." +
               std::to_string(version.Minor);
    Os.View.SetCaption(AppTitle);
    Os.View.SetText(Control::lblMessage, kWaitingText);
    StartTime = static_cast<float>(Os.Clock.SecondsSinceMidnight());
    StartMonotonic = Os.Clock.MonotonicSeconds();

    // The two settings that a run without their option must not inherit from the previous run.
    ExecuteAnyWindow = 0;
    ConsoleMode = 1;
    QuoteStep();
    SplitOptions();
    OptionLoop();

    // A restart leaves the console where and as the user put it.
    if (RestartFlag != -1) {
      const float left =
          (static_cast<float>(Os.View.ScreenWidth()) - static_cast<float>(Os.View.OuterWidth())) /
          2.0f;
      const float top =
          (static_cast<float>(Os.View.ScreenHeight()) - static_cast<float>(Os.View.OuterHeight())) /
          2.0f;
      Os.View.Move(left, top);
      if (ConsoleMode == 1 || ConsoleMode == 2) {
        Os.View.SetState(WindowState::Minimized);
      } else {
        Os.View.SetState(WindowState::Normal);
        Os.View.Show();
        Os.View.Repaint();
      }
    }

    // On a restart the icon is still there; the repeated add changes nothing.
    if (ConsoleMode != 2) AddTrayIcon();

    ReconcileLists();
    ClampInterval();
    ActionCounts.Redim(WindowCount);
    for (int i = 1; i <= WindowCount; ++i) ActionCounts[i] = 0;
    Progress.Redim(WindowCount);
    for (int i = 1; i <= WindowCount; ++i) Progress[i] = {};

    // Decided on the value as written, before it is placed in the program's folder.
    Os.View.SetEnabled(Control::cmdViewLog, !LogFilePath.empty());
    PlaceLogFile();
    Os.Timer.SetInterval(IntervalMs);
    CheckValidity();

    Add2Log(LogFilePath, ">>>>> Loaded with '" + CommandLine + "'");
    if (ListWindows != 0) {
      LogWindowsSeen();
      // Only the list was asked for: end as a watch that has dealt with everything does.
      if (WindowCount < 1) {
        Add2Log(LogFilePath, ">>>>> Unloaded");
        if (ConsoleMode != 2) RemoveTrayIcon();
        Os.System.EndProgram(kExitFinished);
      }
    }
    EnumWindowHandles(StartHandles);
    Os.Timer.SetEnabled(true);
  });
}

}  // namespace tollivox
