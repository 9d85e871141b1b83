// Development scaffold: procedures whose real definition is still being written elsewhere.
// Whoever defines a procedure for real deletes its line here. This file must be gone before a
// release.
#include <cstdlib>

#include "app/frmZandrel.h"

#define TOLLIVOX_PENDING std::abort()

namespace tollivox {

// engine
// console, exit, errors

}  // namespace tollivox
