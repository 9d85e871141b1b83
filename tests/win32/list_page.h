// A page of lists in a helper process, as installers and option pages show them: a language box,
// a list of setup types, a framework's superclassed combo box, one drawn without strings and one
// whose page keeps its own choice. It records each choice it hears of, one line each.
#pragma once

#include <string>

namespace tollivox::test {

// --show-list-page TITLE EVENTS RECORD: shows the page titled TITLE, sets EVENTS.ready, and
// keeps its messages flowing until EVENTS.release is set. Lines in RECORD: "changed <name> <n>",
// a CBN_SELCHANGE or LBN_SELCHANGE with the list's choice n when it was heard.
int ShowListPage(const std::wstring& Title, const std::wstring& Events, const std::wstring& Record);

}  // namespace tollivox::test
