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

// A command whose program asks for administrator rights that we do not have (the launcher's
// error 740): Windows refuses to start it from an unelevated process.
class ProgramNeedsElevation : public RuntimeError {
 public:
  ProgramNeedsElevation(const Status& Result, std::string Command)
      : RuntimeError(Result.Number, Result.Description), Command(std::move(Command)) {}
  std::string Command;
};

}  // namespace tollivox
