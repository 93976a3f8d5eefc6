// Compiles arbitrary bytes as a script. A compile error or "not a script" is
// fine; a crash, a hang, a read past the input, or compiled code that jumps
// outside its image is not.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/engine.h"
#include "script/listing.h"

namespace {

void CheckImage(const bq::script::TScriptEngine& engine) {
  using bq::script::OpCode;
  const auto& code = engine.Code;
  if (code.Count() < 4 || code[code.Count() - 1].Op != OpCode::HALT) std::abort();
  if (!code.Contains(code.EntryPoint)) std::abort();
  for (std::int32_t a = 0; a < code.Count(); ++a) {
    const auto& in = code[a];
    if ((in.Op == OpCode::JMP || in.Op == OpCode::JCC || in.Op == OpCode::CALL) && !code.Contains(in.Operand))
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bq::script::TScriptEngine engine;
  // INCLUDE looks in a folder that does not exist, so inputs never reach real files.
  engine.LibFolder = "/nonexistent-bq-fuzz-libs/";
  // An exact-size heap copy, so reading one byte past the input is caught.
  std::string source(reinterpret_cast<const char*>(data), size);
  try {
    if (engine.CompileScript(source, (size & 1) != 0)) {
      CheckImage(engine);
      (void)bq::script::ListCode(engine);
    }
  } catch (const bq::script::ECompileError&) {
    if (engine.Code.Count() != 0) std::abort();  // a failed compile leaves no program
  }
  return 0;
}
