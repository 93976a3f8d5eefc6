#pragma once
// A host for tests: records every family call with the registers and stack
// arguments it saw, serves list builders from a fixed list of items (so
// FOREACH and CLIP run), and lets a test answer any call itself.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "script/host.h"
#include "script/instructions.h"
#include "script/value.h"

namespace bq::script {

class RecordingHost : public ScriptHost {
 public:
  struct Call {
    OpCode op = OpCode::NOP;
    std::uint8_t mode = 0;      // BLTN context or sub-operation
    std::int32_t operand = 0;   // builtin code, slot, list key or constant
    TScriptValue A, B;          // the registers on entry
    std::vector<TScriptValue> args;  // BLTN: its stack arguments, first first
    std::intptr_t frp = 0;
  };

  void Builtin(TScriptMachine& m, std::uint8_t mode, std::int32_t code) override;
  void List(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;
  void Http(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;
  void Extended(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;
  void Window(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;

  std::uint32_t DocDate() override { return docDate; }
  std::int32_t LogCount() override { return logCount; }
  std::string ClipboardText() override { return clipboard; }
  std::int32_t SystemDate() override { return systemDate; }
  void ReleaseLists() override { ++releases; }

  std::vector<Call> calls;
  // Items every list builder (LSTF 0-7) yields: A := count, FRP := 1 (the
  // first item) or 0; EXPN takes the item at FRP and advances it, FRP 0
  // after the last.
  std::vector<std::string> listItems;
  // Called after recording; may set A or anything else.
  std::function<void(TScriptMachine&, const Call&)> respond;

  std::uint32_t docDate = 0;
  std::int32_t logCount = 0;
  std::int32_t systemDate = 0;
  std::string clipboard;
  int releases = 0;

 private:
  Call& Record(TScriptMachine& m, OpCode op, std::uint8_t mode, std::int32_t operand);
  void Answer(TScriptMachine& m);
};

}  // namespace bq::script
