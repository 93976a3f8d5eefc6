#include "script/views.h"

#include <cstdarg>
#include <cstdio>

#include "script/host.h"
#include "script/listing.h"

namespace bq::script {

namespace {

// printf into a std::string (the texts hold Shift_JIS bytes; widths count
// bytes, as the views always have).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, again);
  va_end(again);
  return out;
}

std::string ValueText(const TScriptValue& v) { return v.IsText() ? v.Str : std::to_string(v.Int); }

std::string RegisterLines(const TScriptValue& v) {
  return Format("TYP: %4x  INT: %d\r\nSTR: %s", v.Kind, v.Int, ShowText(v.Str, 64).c_str());
}

}  // namespace

std::string ShowRegisters(const TScriptMachine& m) {
  const TRegisters& r = m.R;
  std::string out = Format("[%4d]: %s\r\n", r.PC, ListInstruction(m.Engine(), r.PC).c_str());
  out += Format("SPC: %4d  PAR: %4d SMR: %d\r\n", r.SPC, r.PAR, r.SMR);
  out += Format("FRP: %08x  CCR: %4x\r\n", static_cast<unsigned>(r.FRP), r.CCR);
  out += Format("URL: %s\r\n", r.URL.c_str());
  out += RegisterLines(r.A) + "\r\n";
  out += RegisterLines(r.B);
  return out;
}

std::string ShowStack(const TScriptMachine& m) {
  const TRegisters& r = m.R;
  std::string out = Format("STK: %-4d PAR: %-4d SPC: %4d\r\n", r.STK, r.PAR, r.SPC);
  for (std::int32_t i = r.STK - 1; i >= m.VariableCount() && i >= 0; --i) {
    const TScriptValue& v = m.StackSlot(i);
    out += Format("[%2d]%2d : %-8d : %s\r\n", i, v.Kind, v.Int, ShowText(v.Str, 128).c_str());
  }
  return out;
}

std::string ShowVariables(const TScriptMachine& m) {
  std::string out;
  for (std::int32_t slot = m.Symbols().SlotCount() - 1; slot >= 0; --slot) {
    const std::string* name = m.Symbols().VariableName(slot);
    if (name == nullptr) continue;
    const TScriptValue& v = m.StackSlot(slot);
    if (v.IsText()) {
      out += Format("%10s: %-8s\r\n", name->c_str(), ShowText(v.Str, 128).c_str());
    } else {
      out += Format("%10s: %-8d\r\n", name->c_str(), v.Int);
    }
  }
  return out;
}

std::string ShowSystemVariables(const TScriptMachine& m) {
  // "■システム変数■"
  std::string out = "\x81\xa1\x83\x56\x83\x58\x83\x65\x83\x80\x95\xcf\x90\x94\x81\xa1\r\n";
  out += Format("         # = %s\r\n", ValueText(m.StackSlot(m.R.PAR)).c_str());
  out += Format("         %% = %s\r\n", ValueText(m.StackSlot(m.R.SPC)).c_str());
  out += Format("  @DOCDATE = %-8u\r\n", static_cast<unsigned>(m.Host().DocDate()));
  out += Format("      @URL = %-8s\r\n", m.R.URL.c_str());
  out += Format(" @LOGCOUNT = %-8d\r\n", m.Host().LogCount());
  out += Format("@APPFOLDER = %-8s\r\n", m.ProgramFolder.c_str());
  out += Format("@DATAFOLDER= %-8s\r\n", m.DataFolder.c_str());
  out += Format("@LIBFOLDER = %-8s", m.LibraryFolder.c_str());
  return out;
}

}  // namespace bq::script
