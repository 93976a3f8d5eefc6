#pragma once
// The debug views the workbench shows whenever the machine stops: registers,
// the stack above the variables, the variables, and the system variables.
// Plain Shift_JIS texts, lines ending in CR LF.
#include <string>

#include "script/machine.h"

namespace bq::script {

// PC and the instruction to run next, SPC/PAR/SMR, FRP/CCR, the URL
// register, then kind, integer and text of A and of B (no CR LF at the end).
std::string ShowRegisters(const TScriptMachine& m);
// A header line, then every slot from the top of the stack down to the
// first slot above the variables.
std::string ShowStack(const TScriptMachine& m);
// Every named variable slot, highest first.
std::string ShowVariables(const TScriptMachine& m);
// The argument count, the current loop or procedure slot, and the system
// values.
std::string ShowSystemVariables(const TScriptMachine& m);

}  // namespace bq::script
