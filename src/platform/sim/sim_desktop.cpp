#include "platform/sim/sim_desktop.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include "errors/errors.h"

namespace tollivox::sim {

namespace fs = std::filesystem;

namespace {

std::string TwoDigits(int Value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d", Value);
  return buffer;
}

}  // namespace

std::string UpperUtf8(std::string_view Text) {
  std::string out;
  out.reserve(Text.size());
  for (std::size_t i = 0; i < Text.size(); ++i) {
    auto c = static_cast<unsigned char>(Text[i]);
    if (c >= 'a' && c <= 'z') {
      out += static_cast<char>(c - 32);
    } else if (c == 0xC3 && i + 1 < Text.size()) {
      auto d = static_cast<unsigned char>(Text[i + 1]);
      // U+00E0..U+00FE but U+00F7 (division sign) are lower-case letters 0x20 above their capitals.
      if (d >= 0xA0 && d <= 0xBE && d != 0xB7) d = static_cast<unsigned char>(d - 0x20);
      out += static_cast<char>(c);
      out += static_cast<char>(d);
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

SimDesktop::SimDesktop()
    : platform_{*this, *this, *this, *this, *this, *this,
                *this, *this, *this, *this, *this, *this} {
  static std::atomic<int> serial{0};
  root_ = fs::temp_directory_path() /
          ("tollivox-sim-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
  fs::remove_all(root_);
  fs::create_directories(root_);
  MakeFolder(Folder);
  console_ = CreateWindow("", false, true);
  Find(console_)->Ours = true;
  Find(console_)->Class = "TollivoxConsole";
  Find(console_)->Program = "tollivox.exe";
}

SimDesktop::~SimDesktop() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

// ---------------------------------------------------------------- windows

WindowHandle SimDesktop::CreateWindow(const std::string& Title, bool Visible, bool Enabled,
                                      bool AtBottom) {
  SimWindow window;
  window.Handle = nextHandle_;
  nextHandle_ += 4;
  window.Title = Title;
  window.Visible = Visible;
  window.Enabled = Enabled;
  if (AtBottom) {
    windows_.push_back(window);
  } else {
    windows_.insert(windows_.begin(), window);
  }
  return window.Handle;
}

void SimDesktop::DestroyWindow(WindowHandle Window) {
  if (SimWindow* window = Find(Window)) window->Alive = false;
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                [&](const SimWindow& w) { return w.Handle == Window; }),
                 windows_.end());
  // As on Windows, losing the active window activates the topmost visible one left.
  if (foreground_ == Window || focus_ == Window) {
    auto next = std::find_if(windows_.begin(), windows_.end(),
                             [](const SimWindow& w) { return w.Visible; });
    foreground_ = focus_ = next != windows_.end() ? next->Handle : 0;
  }
}

void SimDesktop::SetTitle(WindowHandle Window, const std::string& Title) {
  if (SimWindow* window = Find(Window)) window->Title = Title;
}

void SimDesktop::SetVisible(WindowHandle Window, bool Visible) {
  if (SimWindow* window = Find(Window)) window->Visible = Visible;
}

void SimDesktop::SetWindowEnabled(WindowHandle Window, bool Enabled) {
  if (SimWindow* window = Find(Window)) window->Enabled = Enabled;
}

void SimDesktop::AddControl(WindowHandle Window, const std::string& Caption, bool Visible) {
  SimControl control;
  control.Caption = Caption;
  control.Visible = Visible;
  AddControl(Window, control);
}

std::size_t SimDesktop::IndexOf(WindowHandle Window) {
  // Walks ask about the window just below the last one, so try there first: a walk over a
  // crowded desktop then costs linear time, as on Windows.
  if (hint_ < windows_.size() && windows_[hint_].Handle == Window) return hint_;
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    if (windows_[i].Handle == Window) return hint_ = i;
  }
  return windows_.size();
}

SimWindow* SimDesktop::Find(WindowHandle Window) {
  std::size_t index = IndexOf(Window);
  return index < windows_.size() ? &windows_[index] : nullptr;
}

WindowHandle SimDesktop::NextWindow(WindowHandle Window, int Relation) {
  if (Relation == kGwChild) {
    return Window == kDesktop && !windows_.empty() ? windows_.front().Handle : 0;
  }
  if (Relation != kGwHwndNext) return 0;
  std::size_t index = IndexOf(Window);
  if (index + 1 >= windows_.size()) return 0;  // the last one, or destroyed meanwhile
  hint_ = index + 1;
  return windows_[index + 1].Handle;
}

std::string SimDesktop::WindowTitle(WindowHandle Window) {
  if (OnTitleRead) OnTitleRead(Window);
  SimWindow* window = Find(Window);
  return window ? window->Title : std::string();
}

std::string SimDesktop::ChildCaptions(WindowHandle Window) {
  ControlReads.push_back(Window);
  std::string captions;
  // Captions are read from the window structures, so a window that does not answer is read too.
  SimWindow* window = Find(Window);
  if (window == nullptr) return captions;
  for (const SimControl& control : window->Controls) {
    if (control.Visible) captions += control.Caption + "\n";
  }
  // The console's buttons, labels and log view are shown controls like any other window's; its
  // menu is not.
  if (Window == console_ && window->Visible) {
    for (const auto& [which, text] : Texts) {
      if (which != Control::mPopRestore && which != Control::mStopStart &&
          which != Control::mPopExit) {
        captions += text + "\n";
      }
    }
  }
  return captions;
}

std::string SimDesktop::WindowClass(WindowHandle Window) {
  SimWindow* window = Find(Window);
  return window ? window->Class : std::string();
}

std::string SimDesktop::ProgramFile(WindowHandle Window) {
  SimWindow* window = Find(Window);
  return window ? window->Program : std::string();
}

bool SimDesktop::IsVisible(WindowHandle Window) {
  SimWindow* window = Find(Window);
  return window && window->Visible && !window->Cloaked;
}

bool SimDesktop::IsEnabled(WindowHandle Window) {
  SimWindow* window = Find(Window);
  return window && window->Enabled;
}

bool SimDesktop::IsAlive(WindowHandle Window) { return Find(Window) != nullptr; }

bool SimDesktop::IsResponding(WindowHandle Window) {
  const SimWindow* window = Find(Window);
  return window != nullptr && !window->Hung;
}

bool SimDesktop::SetForeground(WindowHandle Window) {
  windowCalls_.push_back({WindowCall::SetForeground, Window});
  if (RefuseForeground) return false;
  auto it = std::find_if(windows_.begin(), windows_.end(),
                         [&](const SimWindow& w) { return w.Handle == Window; });
  if (it == windows_.end()) return false;
  std::rotate(windows_.begin(), it, it + 1);  // to the top of the z-order
  foreground_ = Window;
  focus_ = Window;
  return true;
}

void SimDesktop::SetActive(WindowHandle Window) {
  windowCalls_.push_back({WindowCall::SetActive, Window});
  // Activation reaches only a window that is already in front.
  if (Find(Window) && (!RefuseForeground || foreground_ == Window)) focus_ = Window;
}

bool SimDesktop::OwnsForeground(WindowHandle Window) {
  if (Window == 0 || Find(Window) == nullptr) return false;
  // The window itself or one it owns at any depth; whichever thread made them does not count.
  WindowHandle front = foreground_;
  for (std::size_t depth = 0; front != 0 && depth <= windows_.size(); ++depth) {
    if (front == Window) return true;
    const SimWindow* window = Find(front);
    front = window != nullptr ? window->Owner : 0;
  }
  return false;
}

bool SimDesktop::IsOurs(WindowHandle Window) {
  const SimWindow* window = Find(Window);
  return window != nullptr && window->Ours;
}

Elevation SimDesktop::ElevationOf(WindowHandle Window) {
  const SimWindow* window = Find(Window);
  if (window == nullptr || window->Unreadable) return Elevation::Unreadable;
  return window->Elevated ? Elevation::Higher : Elevation::NotHigher;
}

void SimDesktop::Show(WindowHandle Window, int ShowCommand) {
  windowCalls_.push_back({WindowCall::Show, Window, ShowCommand});
  SimWindow* window = Find(Window);
  if (!window) return;
  switch (ShowCommand) {
    case 0:
      window->Visible = false;
      break;
    case 1:
    case 4:
      window->Visible = true;
      window->State = WindowState::Normal;
      break;
    case 2:
      window->Visible = true;
      window->State = WindowState::Minimized;
      break;
    case 3:
      window->Visible = true;
      window->State = WindowState::Maximized;
      break;
    default:
      window->Visible = true;
      break;
  }
}

// ---------------------------------------------------------------- keyboard and launcher

SendCount SimDesktop::Send(const std::vector<KeyEvent>& Events) {
  const std::size_t taken = InputDesktop ? std::min(TakesAtMost, Events.size()) : 0;
  sent_.push_back({focus_, std::vector<KeyEvent>(Events.begin(), Events.begin() + taken)});
  return {taken, Events.size(), taken < Events.size() && LeavesCapsLockOff};
}

std::string SimDesktop::TypedInto(WindowHandle Window) const {
  std::string out;
  for (const Keystrokes& batch : sent_) {
    if (batch.Target != Window) continue;
    for (const KeyEvent& event : batch.Events) {
      if (!event.Down) continue;
      if (event.Kind == KeyKind::Character) {
        AppendUtf8(out, event.Code);
      } else if (event.Code == 0x0D) {
        out += "\n";
      } else {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "{VK:%02x}", static_cast<unsigned>(event.Code));
        out += buffer;
      }
    }
  }
  return out;
}

Status SimDesktop::Start(const std::string& CommandLine, int ShowMode) {
  // A quoted program name may hold blanks, as CreateProcess reads it.
  std::string program = CommandLine.substr(0, CommandLine.find(' '));
  if (!CommandLine.empty() && CommandLine.front() == '"') {
    program = CommandLine.substr(1, CommandLine.find('"', 1) - 1);
  }
  if (std::find(MissingPrograms.begin(), MissingPrograms.end(), program) != MissingPrograms.end()) {
    return {kErrFileNotFound, ErrorDescription(kErrFileNotFound)};
  }
  if (std::find(ElevatedPrograms.begin(), ElevatedPrograms.end(), program) !=
      ElevatedPrograms.end()) {
    return {kErrElevationRequired, "The requested operation requires elevation."};
  }
  launches_.push_back({CommandLine, ShowMode});
  return Status::Success();
}

// ---------------------------------------------------------------- dialogs, clock, system

MsgBoxAnswer SimDesktop::ShowMessageBox(const std::string& Text, const std::string& Title,
                                        MsgBoxButtons Buttons, MsgBoxIcon Icon) {
  boxes_.push_back({Text, Title, Buttons, Icon});
  if (WhileBoxIsUp) WhileBoxIsUp(boxes_.back());
  MsgBoxAnswer answer = Buttons == MsgBoxButtons::Ok ? MsgBoxAnswer::Ok : MsgBoxAnswer::Yes;
  if (!Answers.empty()) {
    answer = Answers.front();
    Answers.pop_front();
  }
  return answer;
}

void SimDesktop::Advance(double Seconds) {
  monotonic_ += Seconds;
  timeOfDay_ += Seconds;
  while (timeOfDay_ >= 86400) timeOfDay_ -= 86400;
}

std::string SimDesktop::LocalTime() {
  int seconds = static_cast<int>(timeOfDay_);
  return TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
         TwoDigits(seconds % 60);
}

void SimDesktop::Pause(int Milliseconds) {
  ++Pauses;
  Advance(PauseSeconds >= 0 ? PauseSeconds : Milliseconds / 1000.0);
  if (OnPause) OnPause(Pauses);
}

std::string SimDesktop::ToUpper(std::string_view Text) { return UpperUtf8(Text); }

void SimDesktop::EndProgram(int ExitCode) { throw ProgramEnded{ExitCode}; }

}  // namespace tollivox::sim
