// Development scaffold: procedures whose real definition is still being written elsewhere.
// Whoever defines a procedure for real deletes its line here. This file must be gone before a
// release.
#include <cstdlib>

#include "app/frmZandrel.h"

#define TOLLIVOX_PENDING std::abort()

namespace tollivox {

// parser
void frmZandrel::QuoteStep() { TOLLIVOX_PENDING; }
void frmZandrel::SplitOptions() { TOLLIVOX_PENDING; }
void frmZandrel::OptionLoop() { TOLLIVOX_PENDING; }
void frmZandrel::ReconcileLists() { TOLLIVOX_PENDING; }
void frmZandrel::ClampInterval() { TOLLIVOX_PENDING; }
void frmZandrel::PlaceLogFile() { TOLLIVOX_PENDING; }
void frmZandrel::CheckValidity() { TOLLIVOX_PENDING; }
std::int16_t frmZandrel::ParseStr2StrArray(std::string, std::string, std::string, List<std::string>&, std::int16_t) { TOLLIVOX_PENDING; }
std::int16_t frmZandrel::ParseStr2IntArray(std::string, std::string, std::int16_t, List<std::int16_t>&, std::int16_t) { TOLLIVOX_PENDING; }
std::string frmZandrel::ReplaceString(std::string, std::string, std::string, std::int16_t, std::int16_t) { TOLLIVOX_PENDING; }
// engine
void frmZandrel::Form_Load() { TOLLIVOX_PENDING; }
void frmZandrel::tmrWaitForWindow_Timer() { TOLLIVOX_PENDING; }
void frmZandrel::cmdStopStart_Click() { TOLLIVOX_PENDING; }
void frmZandrel::mStopStart_Click() { TOLLIVOX_PENDING; }
// console, exit, errors

}  // namespace tollivox
