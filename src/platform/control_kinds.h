// What a control is taken for, from what it is rather than from its class name alone. Programs
// build their controls on the system's under names of their own; the table in control_kinds.cpp
// keeps every known class family in one place. No Windows header here: the style bits and the
// WM_GETDLGCODE answers are spelled out below.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/platform.h"

namespace tollivox {

// Button styles (the low four bits, BS_TYPEMASK).
inline constexpr std::uint32_t kBsTypeMask = 0x0F;
inline constexpr std::uint32_t kBsPushButton = 0x00;
inline constexpr std::uint32_t kBsDefPushButton = 0x01;
inline constexpr std::uint32_t kBsCheckBox = 0x02;
inline constexpr std::uint32_t kBsAutoCheckBox = 0x03;
inline constexpr std::uint32_t kBsRadioButton = 0x04;
inline constexpr std::uint32_t kBs3State = 0x05;
inline constexpr std::uint32_t kBsAuto3State = 0x06;
inline constexpr std::uint32_t kBsAutoRadioButton = 0x09;
inline constexpr std::uint32_t kBsOwnerDraw = 0x0B;
inline constexpr std::uint32_t kBsSplitButton = 0x0C;
inline constexpr std::uint32_t kBsDefSplitButton = 0x0D;
inline constexpr std::uint32_t kBsCommandLink = 0x0E;
inline constexpr std::uint32_t kBsDefCommandLink = 0x0F;
// Edit and list box styles.
inline constexpr std::uint32_t kEsReadOnly = 0x0800;
inline constexpr std::uint32_t kLbsMultipleSel = 0x0008;
inline constexpr std::uint32_t kLbsExtendedSel = 0x0800;
// What WM_GETDLGCODE answers (DLGC_*).
inline constexpr std::uint32_t kDlgcHasSetSel = 0x0008;
inline constexpr std::uint32_t kDlgcDefPushButton = 0x0010;
inline constexpr std::uint32_t kDlgcUndefPushButton = 0x0020;
inline constexpr std::uint32_t kDlgcRadioButton = 0x0040;
inline constexpr std::uint32_t kDlgcWantChars = 0x0080;
inline constexpr std::uint32_t kDlgcStatic = 0x0100;
inline constexpr std::uint32_t kDlgcButton = 0x2000;

// What a class name says of its control.
enum class ControlFamily : std::uint8_t {
  Unknown,      // the name does not tell: ask the control
  NotAControl,  // a system class no step acts on (static text, a page, a tree)
  Button,       // push button, check box or radio button, as the style bits say
  PushButton,   // the name itself says which button
  CheckBox,
  RadioButton,
  Edit,
  RichEdit,
  ComboBox,
  ListBox,
};

struct ControlFamilyOf {
  ControlFamily Family = ControlFamily::Unknown;
  bool System = false;  // the system's own class, not a framework's class built on it
};

// The family of a class name, compared as Windows compares class names (case ignored).
ControlFamilyOf FamilyOfClass(std::string_view Class);

// The kind of a control from its class, the base class Windows names for a superclass (empty
// where it names none) and its style; AskDialogCode is called only when neither name tells.
// A control that answers nothing useful, or not in time, is Other.
ControlKind KindOfControl(std::string_view Class, std::string_view BaseClass, std::uint32_t Style,
                          const std::function<DialogCodeReading()>& AskDialogCode);

// A framework's owner-drawn push button (WinForms draws every button itself) acts on its own
// mouse press and release and ignores the notification its parent hears. The system's own
// owner-drawn buttons (a skinned installer page) are pressed through the parent.
bool PressedByItsOwnMouse(const ControlInfo& Control);

// An owner-drawn check box or radio button draws its state itself: BM_GETCHECK answers 0
// whatever it shows.
bool CheckStateUnreadable(const ControlInfo& Control);

// What the control steps take a control for, in the words the log uses: "button", "check box",
// "radio button", "edit box", "list", or "nothing".
const char* KindWord(ControlKind Kind);

}  // namespace tollivox
