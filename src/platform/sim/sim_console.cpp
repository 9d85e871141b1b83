// The simulated desktop's console window, its message loop and the tray.
#include <algorithm>
#include <functional>
#include <utility>

#include "platform/sim/sim_desktop.h"

namespace tollivox::sim {

// ---------------------------------------------------------------- console view

void SimDesktop::SetCaption(const std::string& Text) {
  Caption = Text;
  SetTitle(console_, Text);
}

bool SimDesktop::IsEnabled(Control Which) {
  auto it = Enables.find(Which);
  return it == Enables.end() || it->second;
}

void SimDesktop::CaretToEnd(Control Which) {
  if (FocusedControl == Which) ++CaretMoves;
}

WindowState SimDesktop::State() {
  SimWindow* window = Find(console_);
  return window ? window->State : WindowState::Normal;
}

void SimDesktop::SetState(WindowState NewState) {
  SimWindow* window = Find(console_);
  if (!window || window->State == NewState) return;
  window->State = NewState;
  if (OnResize) OnResize();
}

void SimDesktop::SetOuterHeight(double Twips) {
  if (Height == Twips) return;
  Height = Twips;
  if (OnResize) OnResize();
}

void SimDesktop::Move(double LeftTwips, double TopTwips) {
  Left = LeftTwips;
  Top = TopTwips;
}

void SimDesktop::Show() {
  SimWindow* window = Find(console_);
  if (!window || window->Visible) return;
  window->Visible = true;
  if (OnResize) OnResize();
}

void SimDesktop::Hide() { SetVisible(console_, false); }

bool SimDesktop::IsVisible() { return IsVisible(console_); }

void SimDesktop::Unload() {
  ConsoleUnloaded = true;
  TimerOn = false;
  DestroyWindow(console_);
}

// ---------------------------------------------------------------- loop and tray

void SimDesktop::DoEvents() {
  ++Yields;
  if (OnYield) OnYield();
  while (!atYield_.empty()) {
    std::function<void()> action = std::move(atYield_.front());
    atYield_.pop_front();
    action();
  }
}

bool SimDesktop::Add(const TrayIconRecord& Record) {
  trayCalls_.push_back({true, Record});
  if (!TrayRefuses) iconPresent_ = true;
  return iconPresent_;
}

void SimDesktop::Remove(const TrayIconRecord& Record) {
  trayCalls_.push_back({false, Record});
  iconPresent_ = false;
}

}  // namespace tollivox::sim
