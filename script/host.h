#pragma once
// What the script machine asks of its host: the builtin families that reach
// the article log, the page fetcher, the list iterators and the windows, and
// the few system values only the host knows. The builtins layer implements it
// for the application; THeadlessHost stands in where none of that exists
// (the machine's own tests and benchmarks), and RecordingHost
// (host_recording.h) serves tests.
//
// Each family call receives the machine (registers A and B, the stack, the
// variables, FRP and the article record are all public there), the
// instruction's mode (the builtin's context or the sub-operation) and its
// operand (the builtin code, a variable slot, a list key or a constant, as the
// compiler encodes it). The result goes to A; the machine sets CCR from A
// afterwards. A family call may throw bq::Exception to end the run; PC is
// then already past the instruction.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace bq::script {

class TScriptMachine;

class ScriptHost {
 public:
  virtual ~ScriptHost() = default;

  // BLTN: builtin `code` with its arguments on the stack (count on top);
  // mode 0 in an expression, 255 in a statement.
  virtual void Builtin(TScriptMachine& m, std::uint8_t mode, std::int32_t code) = 0;
  // LSTF: list sub-operation (ARAY ... REMV), operand as compiled.
  virtual void List(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) = 0;
  // HTTP: page access sub-operation (GET ... DLD); operand a variable slot.
  virtual void Http(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) = 0;
  // XFN: log, file and system sub-operation (PUT ... RENF).
  virtual void Extended(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) = 0;
  // WIN: window sub-operation (MSG, SHOW, INP). After MSG with operand 1
  // (EXITMESSAGE) the machine itself continues at address 0.
  virtual void Window(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) = 0;

  // System values the machine reads.
  virtual std::uint32_t DocDate() { return 0; }
  virtual std::int32_t LogCount() { return 0; }
  virtual std::string ClipboardText() { return std::string(); }
  // Seconds since 1970-01-01 00:00:00 local time (UTC+9), rounded.
  virtual std::int32_t SystemDate();
  // The log-root path toggle applied to LINK when a script stores or reads
  // it; unchanged where there is no log.
  virtual std::string ConvertLogPath(std::string_view link) { return std::string(link); }
  // ResetMachine releases every list iterator.
  virtual void ReleaseLists() {}
};

// Where no log, fetcher or window exists: PRINT (which needs only the
// article record) appends its dump to the print buffer; every other family
// call leaves an empty result (a list builder gives no items), tells the
// notice sink "NAME はここでは使えません" once per call, and the script goes on.
class THeadlessHost : public ScriptHost {
 public:
  void Builtin(TScriptMachine& m, std::uint8_t mode, std::int32_t code) override;
  void List(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;
  void Http(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;
  void Extended(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;
  void Window(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;

  // Receives each notice (Shift_JIS); none are kept when unset.
  std::function<void(const std::string&)> Notice;

 private:
  void Unavailable(TScriptMachine& m, std::string_view name);
};

struct TArticleRecord;

// The PRINT dump of an article record: a line of 42 hyphens, then
// "0:TOPIC:", "1:REFER:", "2:DATE:" (mail date form), "3:TITLE:" ...
// "9:HOST:" lines and last "7:BODY:", each line ending in CR LF.
std::string ArticleDump(const TArticleRecord& a);
// "Mon, 2 Jan 2006 03:04:05 +0900" for a date (seconds, local time).
std::string MailDate(std::uint32_t date);

// "NAME はここでは使えません" (NAME is not available here).
std::string NotAvailableMessage(std::string_view name);

// The word a script writes for a host call ("GET", "MESSAGE", "@LINES",
// "CSV" ...), so that a notice names what the user wrote; the listing name
// where there is no such word.
std::string ScriptWordOf(std::uint8_t op, std::uint8_t mode, std::int32_t operand);
// The listing name of a host family's sub-operation ("GET", "MSG" ...), or
// "BLTN n" for a builtin code.
std::string HostOperationName(std::uint8_t op, std::uint8_t mode, std::int32_t operand);

}  // namespace bq::script
