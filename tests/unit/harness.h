// The program on the simulated desktop: a form wired to a SimDesktop the test controls.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "platform/sim/sim_desktop.h"

namespace tollivox::test {

struct Harness {
  sim::SimDesktop Desk;
  frmZandrel Form{Desk.platform()};
  // The exit code once the program has ended.
  std::optional<int> Ended;

  Harness() {
    Desk.OnResize = [this] { Form.Form_Resize(); };
  }

  // Runs Body; a ProgramEnded it throws is recorded in Ended. False when the program ended.
  template <class Body>
  bool Run(Body&& Action) {
    try {
      Action();
      return true;
    } catch (const sim::ProgramEnded& end) {
      Ended = end.ExitCode;
      return false;
    }
  }

  // Starts the program with this argument text.
  bool Load(const std::string& Arguments) {
    Desk.Arguments = Arguments;
    return Run([&] { Form.Form_Load(); });
  }

  // Lets one timer interval pass and runs the tick when the timer is on.
  bool Tick() {
    Desk.Advance(Desk.Interval / 1000.0);
    if (!Desk.TimerOn) return !Ended;
    return Run([&] { Form.tmrWaitForWindow_Timer(); });
  }

  // Ticks until the program ends or MaxTicks have passed.
  bool RunTicks(int MaxTicks) {
    for (int i = 0; i < MaxTicks && !Ended; ++i) Tick();
    return !Ended;
  }

  // The log file's lines without their line ends.
  std::vector<std::string> LogLines(const std::string& WindowsPath) const {
    std::vector<std::string> lines;
    std::string content = Desk.ReadFile(WindowsPath);
    std::size_t start = 0;
    while (start < content.size()) {
      std::size_t end = content.find("\r\n", start);
      if (end == std::string::npos) {
        lines.push_back(content.substr(start));
        break;
      }
      lines.push_back(content.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  // The same lines without their date and time stamp ("Sun 12/06/26 08:00:00: ").
  std::vector<std::string> LogTexts(const std::string& WindowsPath) const {
    std::vector<std::string> texts;
    for (const std::string& line : LogLines(WindowsPath)) {
      std::size_t mark = line.find(": ");
      texts.push_back(mark == std::string::npos ? line : line.substr(mark + 2));
    }
    return texts;
  }

  std::string LogPath(const std::string& Name) const { return Desk.Folder + "\\" + Name; }
};

// The texts of run.log in the program's folder.
inline std::vector<std::string> Log(const Harness& h) { return h.LogTexts(h.LogPath("run.log")); }

// The texts of run.log written since its first Skip lines.
inline std::vector<std::string> LogAfter(const Harness& h, std::size_t Skip) {
  std::vector<std::string> texts = Log(h);
  return {texts.begin() + static_cast<long>(std::min(Skip, texts.size())), texts.end()};
}

// The lines of Lines that start with Start.
inline std::vector<std::string> Matching(const std::vector<std::string>& Lines,
                                         const std::string& Start) {
  std::vector<std::string> out;
  for (const std::string& line : Lines) {
    if (line.rfind(Start, 0) == 0) out.push_back(line);
  }
  return out;
}

}  // namespace tollivox::test
