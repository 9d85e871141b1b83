#include <string>
#include <string_view>

#include "app/frmZandrel.h"
#include "app/text.h"

namespace tollivox {
namespace {

// Replaces occurrences of Old, leftmost first, until none is left, so that text formed by a
// replacement together with its neighbours is replaced as well. Pushing each replacement back
// onto the unread input and scanning on gives the same result as searching again from the start
// after every replacement, without going over the whole text each time.
// Some pairs never run out of occurrences ("ab" by "bbaa" grows for ever), so the work is bounded:
// past it the call fails with Overflow instead of hanging the program.
constexpr std::size_t kMaxRewriteBytes = 1 << 18;
constexpr std::size_t kMaxReplacements = 1 << 16;  // more than a 16-bit stretch can hold

std::string RewriteStretch(std::string_view Stretch, std::string_view Old, std::string_view New) {
  std::size_t replacements = 0;
  std::string done;
  done.reserve(Stretch.size());
  std::string unread(Stretch.rbegin(), Stretch.rend());  // reversed: the next byte is at the back
  while (!unread.empty()) {
    done.push_back(unread.back());
    unread.pop_back();
    if (done.size() >= Old.size() && done.back() == Old.back() &&
        std::string_view(done).substr(done.size() - Old.size()) == Old) {
      done.resize(done.size() - Old.size());
      unread.append(New.rbegin(), New.rend());
      if (++replacements > kMaxReplacements || done.size() + unread.size() > kMaxRewriteBytes) {
        Raise(kErrOverflow);
      }
    }
  }
  return done;
}

}  // namespace

std::string frmZandrel::ReplaceString(std::string StringVar, std::string OldString,
                                      std::string NewString, std::int16_t StartPos,
                                      std::int16_t EndPos) {
  std::string result;
  Guard("ReplaceString", [&] {
    // An empty OldString, or a NewString that holds it, would never run out of occurrences.
    if (StartPos < 1 || EndPos < StartPos - 1 || OldString.empty() ||
        NewString.find(OldString) != std::string::npos) {
      Raise(kErrInvalidProcedureCall);
    }
    std::size_t first = ByteOffset(StringVar, StartPos);
    std::size_t after = ByteOffset(StringVar, static_cast<long>(EndPos) + 1);
    result = StringVar.substr(0, first);
    result += RewriteStretch(std::string_view(StringVar).substr(first, after - first), OldString,
                             NewString);
    result.append(StringVar, after);
  });
  return result;
}

}  // namespace tollivox
