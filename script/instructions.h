#pragma once
// The instruction set of the script machine: operation codes with their
// listing mnemonics and meanings, operand modes, condition codes, the
// sub-operation families, system values and article field selectors, the
// instruction record and the code image. Defined once here and read by the
// compiler, the machine and the listing alike.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace bq::script {

// X(name, mnemonic, meaning). The mnemonic is what the listing prints (four
// characters, trailing blanks kept). Codes follow the order of the list.
#define BQ_SCRIPT_OPCODES(X)                                                         \
  X(NOP, "NOP ", "nothing")                                                          \
  X(HALT, "HALT", "PC := this instruction; halted")                                  \
  X(LDA, "LDA ", "A := source; CCR from A")                                          \
  X(LDB, "LDB ", "B := source (MAX/MIN clamp B.Int)")                                \
  X(STA, "STA ", "destination := A")                                                 \
  X(STB, "STB ", "not generated")                                                    \
  X(CLR, "CLR ", "B (7) or A (255) := empty; CCR := Z")                              \
  X(INC, "INC ", "slot.Int += 1, kind 1")                                            \
  X(DEC, "DEC ", "slot.Int -= 1, kind 1")                                            \
  X(NEG, "NEG ", "A := -A as a number")                                              \
  X(NOT, "NOT ", "A := 1 if A is 0 else 0")                                          \
  X(ADD, "ADD ", "A := pop + A (text joins by default)")                             \
  X(SUB, "SUB ", "A := pop - A (text removes every occurrence)")                     \
  X(MUL, "MUL ", "A := left * right")                                                \
  X(DIV, "DIV ", "A := left / right, 0 for a zero divisor")                          \
  X(MOD, "MOD ", "A := left mod right, 0 for a zero divisor")                        \
  X(AND, "AND ", "A := 1 if both sides are non-zero")                                \
  X(OR, "OR  ", "A := 1 if either side is non-zero")                                 \
  X(XOR, "XOR ", "A := 1 if exactly one side is non-zero")                           \
  X(CMP, "CMP ", "A := 1 if pop <cond> A else 0")                                    \
  X(SHFT, "SHFT", "A := pop shifted left (0) or right (1) by A")                     \
  X(SWAP, "SWAP", "exchange A and the variable")                                     \
  X(TST, "TST ", "compare A with immediate, slot or B; CCR := Z/N")                  \
  X(LDF, "LDF ", "_ := the text file named by A")                                    \
  X(STF, "STF ", "write the variable to the file named by A (append if B)")          \
  X(BLTN, "BLTN", "call builtin Operand with its stack arguments; CCR from A")       \
  X(CALL, "CALL", "PAR := STK-1; push FRP, SPC; SPC := STK; push return; jump")      \
  X(LNK, "LNK ", "push Operand empty values; SPC := STK-1")                          \
  X(RET, "RET ", "PC := pop; SPC := pop; FRP := pop")                                \
  X(STKP, "STKP", "STK -= Operand")                                                  \
  X(PUSH, "PUSH", "push source")                                                     \
  X(POP, "POP ", "pop into SPC (5), B (7), FRP (9) or A (255)")                      \
  X(JMP, "JMP ", "PC := Operand")                                                    \
  X(JCC, "JCC ", "PC := Operand when the condition holds")                           \
  X(BRK, "BRK ", "current line := Operand; step mode stops here")                    \
  X(SETF, "SETF", "CCR bit 8 := Operand <> 0")                                       \
  X(DSET, "DSET", "article field := source")                                         \
  X(DGET, "DGET", "variable := article field")                                       \
  X(STRF, "STRF", "text sub-operation")                                              \
  X(LSTF, "LSTF", "list sub-operation; CCR from A")                                  \
  X(HTTP, "HTTP", "page access sub-operation; CCR from A")                           \
  X(URL, "URL ", "URL register := pool text, variable or parameter")                 \
  X(XFN, "XFN ", "log, file and system sub-operation; CCR from A")                   \
  X(WIN, "WIN ", "window sub-operation; CCR from A")                                 \
  X(LEFT, "LEFT", "listing name of SHFT mode 0 (not an instruction)")                \
  X(RGHT, "RGHT", "listing name of SHFT mode 1 (not an instruction)")

enum class OpCode : std::uint8_t {
#define BQ_X(name, mnemonic, meaning) name,
  BQ_SCRIPT_OPCODES(BQ_X)
#undef BQ_X
};

struct OpInfo {
  std::string_view mnemonic;
  std::string_view meaning;
};

inline constexpr OpInfo kOpInfo[] = {
#define BQ_X(name, mnemonic, meaning) {mnemonic, meaning},
    BQ_SCRIPT_OPCODES(BQ_X)
#undef BQ_X
};
inline constexpr int kOpCount = static_cast<int>(std::size(kOpInfo));
static_assert(kOpCount == 46, "operation codes 0-45");
static_assert(static_cast<int>(OpCode::WIN) == 43 && static_cast<int>(OpCode::RGHT) == 45);

// Operand modes of the load/store/push family.
namespace mode {
inline constexpr std::uint8_t kImmediate = 0;   // Operand itself
inline constexpr std::uint8_t kPool = 1;        // pool string Operand, as written
inline constexpr std::uint8_t kPoolExpand = 2;  // pool string Operand, expanded on every load
inline constexpr std::uint8_t kVariable = 3;    // stack slot Operand
inline constexpr std::uint8_t kParameter = 4;   // argument Operand of the current call; -1 the count
inline constexpr std::uint8_t kSlot = 5;        // stack slot SPC - Operand (PUSH/POP: SPC itself)
inline constexpr std::uint8_t kLink = 6;        // PUSH: Operand as a kind-7 value
inline constexpr std::uint8_t kRegB = 7;        // register B
inline constexpr std::uint8_t kFrp = 9;         // register FRP as a kind-7 value
inline constexpr std::uint8_t kSystem = 128;    // system value Operand
inline constexpr std::uint8_t kMax = 210;       // B.Int := max(B.Int, Operand)
inline constexpr std::uint8_t kMin = 211;       // B.Int := min(B.Int, Operand)
inline constexpr std::uint8_t kNone = 255;      // register A, no operand, or the popped left operand
}  // namespace mode

// Condition codes of CMP and JCC (JCC also FRP and FRZ).
enum class Cond : std::uint8_t { EQ = 0, NE, GT, GE, LT, LE, FRP, FRZ };
inline constexpr std::string_view kCondNames[] = {"EQ", "NE", "GT", "GE", "LT", "LE", "FRP", "FRZ"};
static_assert(std::size(kCondNames) == 8);

inline constexpr std::string_view kShiftNames[] = {"LEFT", "RGHT"};

// Sub-operation families; the instruction's mode selects within its family.
enum class StrOp : std::uint8_t {
  STRP, SUBS, POS, REPL, RCPY, RCMP, WRPS, TSTNUM, TSTSJIS, LENG,
  DELS, FDEL, HASH, TRIM, ISTR, UPC, LOW, TAGU, EXPN, EXPO
};
enum class ListOp : std::uint8_t { ARAY, LNKS, SPLT, WRPS, TPIC, LINE, CSV, IMG, EXPN, REMV };
enum class HttpOp : std::uint8_t { GET, POST, HEAD, LNK, BOPN, DLD };
enum class XfnOp : std::uint8_t { PUT, GET, DEL, LOGSORT, SLEP, IMG, FRM, DECD, CLIP, CSVSORT, DELF, RENF };
enum class WinOp : std::uint8_t { MSG, SHOW, INP };

// One numbering of all sub-operation names, family after family.
inline constexpr std::string_view kSubOpNames[] = {
    // STRF 0-19
    "STRP", "SUBS", "POS", "REPL", "RCPY", "RCMP", "WRPS", "TST#", "TST$", "LENG",
    "DELS", "FDEL", "HASH", "TRIM", "ISTR", "UPC", "LOW", "TAGU", "EXPN", "EXPO",
    // LSTF 20-29
    "ARAY", "LNKS", "SPLT", "WRPS", "TPIC", "LINE", "CSV", "IMG", "EXPN", "REMV",
    // HTTP 30-35
    "GET", "POST", "HEAD", "LNK@", "BOPN", "DLD",
    // XFN 36-47
    "PUT", "GET", "DEL", "LOGSORT", "SLEP", "IMG", "FRM", "DECD", "CLIP", "CSVSORT", "DELF", "RENF",
    // WIN 48-50
    "MSG", "SHOW", "INP"};
static_assert(std::size(kSubOpNames) == 51, "51 sub-operation names");

struct SubOpFamily {
  OpCode op;
  int first;  // index of mode 0 in kSubOpNames
  int count;
};
inline constexpr SubOpFamily kSubOpFamilies[] = {
    {OpCode::STRF, 0, 20}, {OpCode::LSTF, 20, 10}, {OpCode::HTTP, 30, 6}, {OpCode::XFN, 36, 12}, {OpCode::WIN, 48, 3}};
static_assert(kSubOpFamilies[4].first + kSubOpFamilies[4].count == 51);

// System values (LDA/LDB mode 128). Index 8 is only a STA target (SMR).
enum class SysValue : std::uint8_t {
  SysDate, DocDate, Url, AppFolder, DataFolder, LibFolder, LogCount, Clipboard, StripMode
};
inline constexpr std::string_view kSystemValueNames[] = {"@CLK", "@DOC", "@URL", "@APP", "@DAT",
                                                         "@LIB", "@LOG", "@CLP", "@SMR"};
static_assert(std::size(kSystemValueNames) == 9);

// Article field selectors (DSET/DGET: field = high nibble of the mode).
enum class Field : std::uint8_t {
  TOPIC = 0, REFER, DATE, TITLE, AUTHOR, MAILTO, HP, BODY, HEAD, HOST, LINK, STATUS = 14, CLEAR = 15
};
// DSET sources (low nibble of the mode).
enum class DsetSource : std::uint8_t { RegA = 0, Immediate, Pool, PoolExpand, Variable };

// Condition flag bits of CCR.
inline constexpr std::uint16_t kFlagZ = 1;
inline constexpr std::uint16_t kFlagN = 2;
inline constexpr std::uint16_t kFlagOption = 0x100;

struct TInstruction {
  OpCode Op = OpCode::NOP;
  std::uint8_t Mode = 0;
  std::int32_t Operand = 0;
};

// The code image: instructions by address, plus what the compiler hands to
// the machine. Layout: 0 BRK 0, 1 NOP, 2 HALT, library code, procedure and
// function bodies, the main statement (entry point), a final HALT.
class TCodeImage {
 public:
  static constexpr std::size_t kInitialCapacity = 3000;

  void Reset() {
    code_.clear();
    code_.reserve(kInitialCapacity);
    EntryPoint = 0;
    VariableCount = 0;
  }
  // Appends an instruction; returns its address.
  std::int32_t Emit(OpCode op, std::uint8_t mode, std::int32_t operand) {
    code_.push_back(TInstruction{op, mode, operand});
    return static_cast<std::int32_t>(code_.size() - 1);
  }
  // Overwrites the operand of an emitted instruction (forward jumps).
  void PatchOperand(std::int32_t address, std::int32_t operand) { code_.at(static_cast<std::size_t>(address)).Operand = operand; }
  std::int32_t Count() const { return static_cast<std::int32_t>(code_.size()); }
  // The address the next Emit will use.
  std::int32_t Here() const { return Count(); }
  const TInstruction& operator[](std::int32_t address) const { return code_[static_cast<std::size_t>(address)]; }
  bool Contains(std::int32_t address) const { return address >= 0 && address < Count(); }
  const std::vector<TInstruction>& Instructions() const { return code_; }

  std::int32_t EntryPoint = 0;     // where the main statement starts
  std::int32_t VariableCount = 0;  // slot counter at the end of the compile

 private:
  std::vector<TInstruction> code_;
};

}  // namespace bq::script
