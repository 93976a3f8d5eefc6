#include "script/host_recording.h"

#include "script/machine.h"

namespace bq::script {

RecordingHost::Call& RecordingHost::Record(TScriptMachine& m, OpCode op, std::uint8_t mode, std::int32_t operand) {
  Call c;
  c.op = op;
  c.mode = mode;
  c.operand = operand;
  c.A = m.R.A;
  c.B = m.R.B;
  c.frp = m.R.FRP;
  if (op == OpCode::BLTN) {
    std::int32_t n = m.ArgumentCount();
    for (std::int32_t i = 0; i < n; ++i) c.args.push_back(m.Argument(i));
  }
  calls.push_back(std::move(c));
  return calls.back();
}

void RecordingHost::Answer(TScriptMachine& m) {
  if (respond) respond(m, calls.back());
}

void RecordingHost::Builtin(TScriptMachine& m, std::uint8_t mode, std::int32_t code) {
  Record(m, OpCode::BLTN, mode, code);
  Answer(m);
}

void RecordingHost::List(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  Record(m, OpCode::LSTF, sub, operand);
  auto op = static_cast<ListOp>(sub);
  auto count = static_cast<std::intptr_t>(listItems.size());
  if (op == ListOp::EXPN) {
    std::intptr_t at = m.R.FRP;
    if (at >= 1 && at <= count) {
      m.R.A = TScriptValue::Text(listItems[static_cast<std::size_t>(at - 1)]);
      m.R.FRP = at < count ? at + 1 : 0;
    } else {
      m.R.A.Clear();
      m.R.FRP = 0;
    }
  } else if (op == ListOp::REMV) {
    m.R.FRP = 0;
  } else if (sub <= static_cast<std::uint8_t>(ListOp::IMG)) {
    m.R.A = TScriptValue::Integer(static_cast<std::int32_t>(count));
    m.R.FRP = count > 0 ? 1 : 0;
  }
  Answer(m);
}

void RecordingHost::Http(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  Record(m, OpCode::HTTP, sub, operand);
  Answer(m);
}

void RecordingHost::Extended(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  Record(m, OpCode::XFN, sub, operand);
  Answer(m);
}

void RecordingHost::Window(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  Record(m, OpCode::WIN, sub, operand);
  Answer(m);
}

}  // namespace bq::script
