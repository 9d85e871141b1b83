// The test page's controls as frameworks build them: superclasses of the system's controls
// under names of their own, and a button that acts on its own mouse press, as WinForms' do.
#pragma once

#include <functional>

#include "helpers.h"

namespace tollivox::test {

// The class of a button that draws itself and clicks on its own press and release.
inline constexpr const wchar_t* kOwnPressClass = L"WindowsForms10.BUTTON.app.0.tollivox";
// A superclass of Button whose name no table knows: taken for what it answers WM_GETDLGCODE.
inline constexpr const wchar_t* kAskedClass = L"TollivoxAskedButton";

// Registers TNewButton, TNewCheckBox, TNewRadioButton (on Button), TNewEdit (on Edit) and the
// two classes above. OwnPress runs when a kOwnPressClass button is pressed and released inside.
bool RegisterFrameworkClasses(std::function<void(HWND Button)> OwnPress);

}  // namespace tollivox::test
