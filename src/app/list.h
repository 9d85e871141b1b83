// A growable list numbered from 1, with an element 0 that is never used. Reading or writing past
// the highest index is "Subscript out of range" (9) instead of undefined behaviour.
#pragma once

#include <vector>

#include "errors/errors.h"

namespace tollivox {

template <class T>
class List {
 public:
  // Highest index; -1 for a list never allocated, 0 for one holding element 0 only.
  int UBound() const { return static_cast<int>(items_.size()) - 1; }

  // Re-sizes to highest index High, keeping the elements already present; new ones are T{}.
  void Redim(int High) {
    if (High < 0) {
      items_.clear();
      return;
    }
    items_.resize(static_cast<std::size_t>(High) + 1);
  }

  T& operator[](int Index) {
    if (Index < 0 || Index > UBound()) Raise(kErrSubscriptOutOfRange);
    return items_[static_cast<std::size_t>(Index)];
  }
  const T& operator[](int Index) const {
    if (Index < 0 || Index > UBound()) Raise(kErrSubscriptOutOfRange);
    return items_[static_cast<std::size_t>(Index)];
  }

  // The element at Index, or Fallback when the list is shorter.
  T ValueOr(int Index, T Fallback) const {
    return Index >= 1 && Index <= UBound() ? items_[static_cast<std::size_t>(Index)] : Fallback;
  }

 private:
  std::vector<T> items_;
};

}  // namespace tollivox
