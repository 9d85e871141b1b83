// The known class families, from the name a program registers to what its controls are. A
// framework's superclass is taken for the system control it is built on, with the same kind
// rules; a name found nowhere here is asked what it is (WM_GETDLGCODE).
#include "platform/control_kinds.h"

#include <array>
#include <string_view>

namespace tollivox {

namespace {

struct FamilyName {
  std::string_view Name;
  ControlFamily Family;
};

using F = ControlFamily;

// The system's classes. Those no step acts on are listed too, so that a page of system
// controls is never asked anything.
constexpr std::array kSystemClasses = {
    FamilyName{"Button", F::Button},
    FamilyName{"Edit", F::Edit},
    FamilyName{"RichEdit", F::RichEdit},
    FamilyName{"RichEdit20A", F::RichEdit},
    FamilyName{"RichEdit20W", F::RichEdit},
    FamilyName{"RICHEDIT50W", F::RichEdit},
    FamilyName{"RICHEDIT60W", F::RichEdit},
    FamilyName{"ComboBox", F::ComboBox},
    FamilyName{"ListBox", F::ListBox},
    FamilyName{"Static", F::NotAControl},
    FamilyName{"ScrollBar", F::NotAControl},
    FamilyName{"ComboLBox", F::NotAControl},  // the list a combo box drops down
    FamilyName{"#32770", F::NotAControl},     // a dialog: an installer's inner page
    FamilyName{"SysListView32", F::NotAControl},
    FamilyName{"SysTreeView32", F::NotAControl},
    FamilyName{"SysTabControl32", F::NotAControl},
    FamilyName{"SysHeader32", F::NotAControl},
    FamilyName{"SysLink", F::NotAControl},
    FamilyName{"msctls_progress32", F::NotAControl},
    FamilyName{"msctls_trackbar32", F::NotAControl},
    FamilyName{"msctls_updown32", F::NotAControl},
    FamilyName{"msctls_statusbar32", F::NotAControl},
    FamilyName{"ToolbarWindow32", F::NotAControl},
    FamilyName{"ReBarWindow32", F::NotAControl},
    FamilyName{"tooltips_class32", F::NotAControl},
};

// Frameworks' classes built on the system's. Delphi and Inno Setup (which is written in it)
// name theirs after the component, Visual Basic after the control with a run-time prefix
// ("ThunderRT6", "ThunderRT5") or none at design time ("Thunder").
constexpr std::array kFrameworkClasses = {
    FamilyName{"TButton", F::Button},
    FamilyName{"TNewButton", F::Button},
    FamilyName{"TBitBtn", F::Button},
    FamilyName{"TCheckBox", F::CheckBox},
    FamilyName{"TNewCheckBox", F::CheckBox},
    FamilyName{"TRadioButton", F::RadioButton},
    FamilyName{"TNewRadioButton", F::RadioButton},
    FamilyName{"TEdit", F::Edit},
    FamilyName{"TNewEdit", F::Edit},
    FamilyName{"TPasswordEdit", F::Edit},
    FamilyName{"TMaskEdit", F::Edit},
    FamilyName{"TMemo", F::Edit},
    FamilyName{"TNewMemo", F::Edit},
    FamilyName{"TRichEdit", F::RichEdit},
    FamilyName{"TRichEditViewer", F::RichEdit},
    FamilyName{"TComboBox", F::ComboBox},
    FamilyName{"TNewComboBox", F::ComboBox},
    FamilyName{"TListBox", F::ListBox},
    FamilyName{"TNewListBox", F::ListBox},
    // Inno Setup's task and component lists: owner-drawn check lists, not one-choice lists.
    FamilyName{"TNewCheckListBox", F::NotAControl},
    FamilyName{"TPanel", F::NotAControl},
    FamilyName{"TNewStaticText", F::NotAControl},
    FamilyName{"TNewNotebook", F::NotAControl},
    FamilyName{"TNewNotebookPage", F::NotAControl},
};

constexpr std::array kVisualBasicClasses = {
    FamilyName{"CommandButton", F::Button},  // "Graphical" ones are owner-drawn push buttons
    FamilyName{"CheckBox", F::CheckBox},      FamilyName{"OptionButton", F::RadioButton},
    FamilyName{"TextBox", F::Edit},           FamilyName{"ComboBox", F::ComboBox},
    FamilyName{"ListBox", F::ListBox},        FamilyName{"Frame", F::NotAControl},
    FamilyName{"PictureBox", F::NotAControl},
};

constexpr std::array<std::string_view, 3> kVisualBasicPrefixes = {"ThunderRT6", "ThunderRT5",
                                                                  "Thunder"};

char Upper(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C; }

bool SameName(std::string_view Name, std::string_view Other) {
  if (Name.size() != Other.size()) return false;
  for (std::size_t i = 0; i < Name.size(); ++i) {
    if (Upper(Name[i]) != Upper(Other[i])) return false;
  }
  return true;
}

bool StartsWith(std::string_view Name, std::string_view Start) {
  return Name.size() >= Start.size() && SameName(Name.substr(0, Start.size()), Start);
}

template <std::size_t N>
ControlFamily Look(const std::array<FamilyName, N>& Table, std::string_view Class) {
  for (const FamilyName& entry : Table) {
    if (SameName(entry.Name, Class)) return entry.Family;
  }
  return ControlFamily::Unknown;
}

ControlKind KindOfFamily(ControlFamily Family, std::uint32_t Style) {
  switch (Family) {
    case F::Button:
      switch (Style & kBsTypeMask) {
        case kBsPushButton:
        case kBsDefPushButton:
        case kBsSplitButton:
        case kBsDefSplitButton:
        case kBsCommandLink:
        case kBsDefCommandLink:
        case kBsOwnerDraw:  // a skinned page's, or a framework's that draws its own
          return ControlKind::PushButton;
        case kBsCheckBox:
        case kBsAutoCheckBox:
        case kBs3State:
        case kBsAuto3State:
          return ControlKind::CheckBox;
        case kBsRadioButton:
        case kBsAutoRadioButton:
          return ControlKind::RadioButton;
        default:  // a group box, a user button
          return ControlKind::Other;
      }
    case F::PushButton:
      return ControlKind::PushButton;
    case F::CheckBox:
      return ControlKind::CheckBox;
    case F::RadioButton:
      return ControlKind::RadioButton;
    case F::Edit:
    case F::RichEdit:
      // A read-only box (a licence's text) is not one the user could type into either.
      return (Style & kEsReadOnly) != 0 ? ControlKind::Other : ControlKind::Edit;
    case F::ComboBox:
      return ControlKind::ComboBox;
    case F::ListBox:
      // A list of several choices is not one {SELECT} chooses in.
      return (Style & (kLbsMultipleSel | kLbsExtendedSel)) != 0 ? ControlKind::Other
                                                                : ControlKind::ListBox;
    case F::Unknown:
    case F::NotAControl:
      break;
  }
  return ControlKind::Other;
}

// A control answers WM_GETDLGCODE as its base class does: a push button says which kind it is,
// a radio button says so, and a check box answers DLGC_BUTTON alone, which its style bits
// confirm. An edit box wants characters and selects its text on the dialog's tab.
ControlKind KindOfDialogCode(std::uint32_t Code, std::uint32_t Style) {
  if ((Code & kDlgcButton) != 0) {
    if ((Code & (kDlgcDefPushButton | kDlgcUndefPushButton)) != 0) return ControlKind::PushButton;
    if ((Code & kDlgcRadioButton) != 0) return ControlKind::RadioButton;
    const ControlKind byStyle = KindOfFamily(F::Button, Style);
    // DLGC_BUTTON alone is never a plain push button's answer.
    return byStyle == ControlKind::CheckBox || (Style & kBsTypeMask) == kBsOwnerDraw
               ? byStyle
               : ControlKind::Other;
  }
  if ((Code & kDlgcHasSetSel) != 0 && (Code & kDlgcWantChars) != 0) {
    return KindOfFamily(F::Edit, Style);
  }
  // Lists answer as many other controls do (arrows and characters): known by name only.
  return ControlKind::Other;
}

}  // namespace

ControlFamilyOf FamilyOfClass(std::string_view Class) {
  if (const ControlFamily system = Look(kSystemClasses, Class); system != F::Unknown) {
    return {system, true};
  }
  if (const ControlFamily framework = Look(kFrameworkClasses, Class); framework != F::Unknown) {
    return {framework, false};
  }
  // WinForms: "WindowsForms10.<system class>.app.0.<hash>"; its panels and forms are
  // "WindowsForms10.Window...".
  constexpr std::string_view kWinForms = "WindowsForms10.";
  if (StartsWith(Class, kWinForms)) {
    const std::string_view rest = Class.substr(kWinForms.size());
    const std::string_view base = rest.substr(0, rest.find('.'));
    if (SameName(base, "Window")) return {F::NotAControl, false};
    return {Look(kSystemClasses, base), false};
  }
  for (std::string_view prefix : kVisualBasicPrefixes) {
    if (StartsWith(Class, prefix)) {
      const ControlFamily vb = Look(kVisualBasicClasses, Class.substr(prefix.size()));
      if (vb != F::Unknown) return {vb, false};
    }
  }
  // MFC's own windows (frames, views) are no controls: its controls are the system's.
  if (StartsWith(Class, "Afx")) return {F::NotAControl, false};
  // An ATL or WTL superclass registered without a name of its own is "ATL:<address>", which
  // says nothing of its base: it is asked, as any other name.
  return {F::Unknown, false};
}

ControlKind KindOfControl(std::string_view Class, std::string_view BaseClass, std::uint32_t Style,
                          const std::function<DialogCodeReading()>& AskDialogCode) {
  ControlFamily family = FamilyOfClass(Class).Family;
  // Windows names the system class a superclass is built on; Wine names the class itself.
  if (family == F::Unknown && !BaseClass.empty()) family = FamilyOfClass(BaseClass).Family;
  if (family != F::Unknown) return KindOfFamily(family, Style);
  if (!AskDialogCode) return ControlKind::Other;
  const DialogCodeReading answer = AskDialogCode();
  if (answer.Result != ControlResult::Done) return ControlKind::Other;
  return KindOfDialogCode(answer.Code, Style);
}

bool PressedByItsOwnMouse(const ControlInfo& Control) {
  const bool button = Control.Kind == ControlKind::PushButton ||
                      Control.Kind == ControlKind::CheckBox ||
                      Control.Kind == ControlKind::RadioButton;
  return button && (Control.Style & kBsTypeMask) == kBsOwnerDraw &&
         !FamilyOfClass(Control.Class).System;
}

bool CheckStateUnreadable(const ControlInfo& Control) {
  return (Control.Kind == ControlKind::CheckBox || Control.Kind == ControlKind::RadioButton) &&
         (Control.Style & kBsTypeMask) == kBsOwnerDraw;
}

// What the control steps take a control for, so that a user sees why a step finds it or not.
const char* KindWord(ControlKind Kind) {
  switch (Kind) {
    case ControlKind::PushButton:
      return "button";
    case ControlKind::CheckBox:
      return "check box";
    case ControlKind::RadioButton:
      return "radio button";
    case ControlKind::Edit:
      return "edit box";
    case ControlKind::ComboBox:
    case ControlKind::ListBox:
      return "list";
    case ControlKind::Other:
      break;
  }
  return "nothing";
}

}  // namespace tollivox
