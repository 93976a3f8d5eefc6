#pragma once
// The script machine: registers, the value stack whose bottom slots are the
// script's variables, the current article record, the fetch loop and the
// host operations (reset, run, run a procedure, set variables, push and pop).
// It executes the code image the compiler leaves in the engine tables and
// reaches the log, the fetcher, the iterators and the windows only through
// the ScriptHost it is given.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/engine.h"
#include "script/instructions.h"
#include "script/symbols.h"
#include "script/value.h"
#include "textlib/html.h"
#include "textlib/limits.h"

namespace bq {
class EventPump;
}

namespace bq::script {

class ScriptHost;

// Raised by the machine itself only when a script outgrows a named limit
// (value stack, text length); everything else is raised by operations.
class EScriptError : public Exception {
 public:
  using Exception::Exception;
};

// The machine's run state.
enum class RunState : std::uint8_t {
  Run = 0,         // run until halted or stopped
  StepLine = 1,    // stop at the next BRK
  StepOne = 2,     // run one instruction
  Halted = 3,
  Stopped = 4,     // stop requested (the Stop command)
};

// The article being assembled by PACK and read by UNPACK, PUTLOG and PRINT;
// the same fields as a log article.
struct TArticleRecord {
  std::int32_t TOPIC = 0;
  std::int32_t REFER = 0;
  std::uint32_t DATE = 0;
  std::string TITLE, AUTHOR, MAILTO, HP, BODY, HEAD, HOST, LINK;
  std::string PAGEURL;  // field 14 (STATUS): the URL register when PACK ran
};

// The text a pattern builtin (REGEXPR, SKIPTO, WRAPSTR, PAGECLIP) or a clip
// template matched last: its 0-based byte offset in the text searched, and
// the matched bytes themselves, so a view can tell whether that text was
// the page it shows.
struct TLastMatch {
  bool Valid = false;
  std::size_t Begin = 0;
  std::string Text;
};

class TScriptMachine {
 public:
  // Lives beside the engine (which must outlive it) and runs what the
  // engine compiled; every compile resets it. The host supplies the builtin
  // families; the pump (may be null) is called at every tick of the
  // kernel's clock (a few milliseconds) while Run executes.
  TScriptMachine(TScriptEngine& engine, ScriptHost& host, EventPump* pump = nullptr);
  ~TScriptMachine();
  TScriptMachine(const TScriptMachine&) = delete;
  TScriptMachine& operator=(const TScriptMachine&) = delete;

  void SetHost(ScriptHost& host) { host_ = &host; }
  void SetPump(EventPump* pump) { pump_ = pump; }
  ScriptHost& Host() const { return *host_; }

  // PC := entry point, variables emptied, frames dropped, print buffer,
  // SMR, iterators and the tag-strip table back to their defaults.
  void ResetMachine();

  // Executes from PC until halted, stopped, a BRK in line-step mode, one
  // instruction in single-step mode, or an instruction that jumps to itself.
  // An exception from an operation leaves with PC past that instruction.
  void Run();
  // Runs the procedure or function `name` (upper-cased here) with the
  // arguments and count the caller pushed; nothing when it does not exist.
  void RunProcedure(std::string_view name, RunState state);

  // The template variables the host sets by name (as stored, upper case).
  void SetVariableText(std::string_view name, std::string_view text);
  void SetVariableInt(std::string_view name, std::int32_t number);

  std::int32_t PushValue(TScriptValue value);
  TScriptValue PopValue();

  // Copies a text expanding %NAME% variable references and backslash
  // escapes (\n CR LF, \t tab, backslash-CR-LF nothing).
  std::string ExpandText(std::string_view text) const;

  // --- state, for the host, the builtins and the views ---
  TRegisters R;
  RunState State = RunState::Halted;
  TArticleRecord Article;
  std::string PrintBuffer;
  std::string ProgramFolder;  // ends in a separator
  std::string LibraryFolder;  // program folder + "libs/"
  std::string DataFolder;
  TagActionTable TagTable;  // what STRIP does with each tag (TAGSTRIPSET changes it)
  // Kept for the workbench's page view; ResetMachine clears it.
  TLastMatch LastMatch;
  // Records [begin, end) of subject as the last match (the copy reuses its
  // buffer, so a loop of matches does not allocate).
  void NoteMatch(std::string_view subject, std::size_t begin, std::size_t end);

  // LDF and STF reach the file system only when set (the fuzzer clears it).
  bool FilesEnabled = true;
  // Caps on what a script may build; tests and the fuzzer lower them.
  std::size_t MaxText = limits::kMaxScriptText;
  std::int32_t MaxStack = limits::kMaxScriptStack;
  // Instructions executed by Run since the machine was made (benchmarks,
  // the fuzzer's budget).
  std::uint64_t Executed = 0;
  // When non-zero, Run stops (state Stopped) once Executed reaches it; the
  // fuzzer bounds runaway scripts with Budget = Executed + N.
  std::uint64_t Budget = 0;
  // Called with each address before it executes (the CLI's --trace); slows
  // the loop only when set.
  void (*TraceHook)(void* context, std::int32_t address) = nullptr;
  void* TraceContext = nullptr;
  // Whether Run may execute runs of instructions on integers as groups of
  // micro-operations (machine_groups.h); the effects, Executed and the pump
  // cadence are the same either way. Tests turn it off to compare.
  bool Fusion = true;
  // Whether Run has built a group that starts at address and runs it as one
  // step while its values are plain integers (the listing and the image are
  // unchanged either way).
  bool FusedAt(std::int32_t address) const;
  // The micro-operations of the group built at address, one a line (empty
  // when none is): for the tests and the benchmarks, never shown to users.
  std::string GroupListing(std::int32_t address) const;

  const TScriptEngine& Engine() const { return *engine_; }
  const TCodeImage& Code() const { return *code_; }
  const TSymbolTable& Symbols() const { return *symbols_; }
  const TStringPool& Pool() const { return *pool_; }
  std::int32_t StackSize() const { return static_cast<std::int32_t>(stackSize_); }
  // Slot i of the value stack (variables first); an empty value outside it.
  const TScriptValue& StackSlot(std::int32_t i) const {
    return static_cast<std::uint32_t>(i) < stackSize_ ? stack_[static_cast<std::size_t>(i)] : kEmpty;
  }
  // The same for writing; a write outside the stack goes nowhere.
  TScriptValue& MutableSlot(std::int32_t i) {
    if (static_cast<std::uint32_t>(i) < stackSize_) return stack_[static_cast<std::size_t>(i)];
    scratch_.Clear();
    return scratch_;
  }
  std::int32_t VariableCount() const { return code_->VariableCount; }
  // Appends to a text the script builds, within MaxText (else EScriptError).
  void CheckedAppend(std::string& target, std::string_view text);
  // The argument count of the current call and the arguments below it, as
  // the stack-argument builtins read them (first argument is index 0).
  std::int32_t ArgumentCount() const;
  const TScriptValue& Argument(std::int32_t index) const;

 private:
  void Fail(const char* message);
  void Grow();
  void Push(TScriptValue&& v);
  void PushInt(std::uint8_t kind, std::int32_t n);
  void PopInto(TScriptValue& target);
  TScriptValue& PoppedLeft(TScriptValue& empty);
  void LeaveOutside();
  void SavePar();
  bool Pump(std::uint64_t ran);
  bool PumpIdleThrough(std::uint64_t ran) const;
  void Decode();
  bool BuildGroupAt(std::int32_t address);
  // Runs the group at address and those it leads straight into (n counts
  // the instructions run, check is the count of the next look at the
  // pump). Returns how the fetch loop goes on (kGroup* in machine.cpp) in
  // the high half and the address in the low half.
  std::uint64_t RunGroup(std::int32_t address, std::uint64_t& n, std::uint64_t check);

  // Operand sources and targets.
  // target := text operand of the pool (into target's own buffer).
  void PoolText(TScriptValue& target, std::int32_t operand) const {
    target.Str = (*pool_)[operand];
    target.Kind = kind::kString;
    target.Int = 0;
  }
  void Load(TScriptValue& target, std::uint8_t mode, std::int32_t operand, bool isB);
  void SystemValue(TScriptValue& target, std::int32_t index, bool isB);
  void Store(std::uint8_t mode, std::int32_t operand);
  const TScriptValue& ParameterRef(std::int32_t operand) const;

  // Operation groups.
  void Arithmetic(OpCode op, std::uint8_t mode, std::int32_t operand);
  void ArithmeticText(OpCode op, TScriptValue& left);
  void Logical(OpCode op);
  void Compare(std::uint8_t cond);
  void Shift(std::uint8_t mode);
  void Test(std::uint8_t mode, std::int32_t operand);
  void LoadFile();
  void StoreFile(std::int32_t slot);
  void ArticleSet(std::uint8_t mode, std::int32_t operand);
  void ArticleGet(std::uint8_t mode, std::int32_t operand);
  void TextOperation(std::uint8_t sub, std::int32_t operand);
  void TextSearchOperation(std::uint8_t sub, const std::string& v, std::int32_t operand);
  void WrapOperation(const std::string& v);
  void ReplaceOperation(const std::string& v);
  void HostOperation(OpCode op, std::uint8_t mode, std::int32_t operand);
  void CheckText(std::size_t size);

  TScriptEngine* engine_;
  const TCodeImage* code_;
  const TSymbolTable* symbols_;
  const TStringPool* pool_;
  ScriptHost* host_;
  EventPump* pump_;
  std::vector<TScriptValue> stack_;
  std::uint32_t stackSize_ = 0;
  // PAR of each active caller: RET restores it, so $n after a nested call
  // reads the current call's arguments again.
  std::vector<std::int32_t> savedPar_;  // stack_.size(), kept to spare a division per access
  TScriptValue scratch_;  // where a write to an out-of-range slot goes
  static const TScriptValue kEmpty;
  std::uint64_t nextPumpTick_ = 0;
  // The decoded copy Run fetches from and the groups built on it
  // (machine_groups.h); made again after every reset and whenever the
  // image or Fusion changed since.
  struct TFastCopy;
  std::unique_ptr<TFastCopy> fast_;
};

// Sets CCR from a value: integer-like or empty by Int, text by emptiness.
inline std::uint16_t FlagsOf(const TScriptValue& v) {
  if (v.Kind == kind::kString) return v.Str.empty() ? kFlagZ : 0;
  return v.Int == 0 ? kFlagZ : (v.Int < 0 ? kFlagN : 0);
}

// Instructions between two looks at the clock in Run; the pump is called
// when the coarse clock (CoarseTickCount64) has moved on since the last call.
inline constexpr std::uint32_t kPumpCheckInterval = 4096;

}  // namespace bq::script
