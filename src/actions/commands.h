// What the command step hands up to the action run's error handler.
#pragma once

#include <string>
#include <utility>

#include "errors/errors.h"

namespace tollivox {

// A command whose program could not be found (error 53). It carries the command as the user
// wrote it, since the report names that and not the program the launcher looked for.
class ProgramNotFound : public RuntimeError {
 public:
  ProgramNotFound(const Status& Result, std::string Command)
      : RuntimeError(Result.Number, Result.Description.empty() ? ErrorDescription(Result.Number)
                                                               : Result.Description),
        Command(std::move(Command)) {}
  std::string Command;
};

}  // namespace tollivox
