#pragma once
// The builtin families of the script machine for the application: the
// stack-argument builtins, the list iterators, the page operations, the log,
// file and system operations and the window operations. They reach the
// article log (TScrapList), the page fetcher (TWebAccess), the desktop
// (UserInterface) and the clock; the application hands in its one instance
// of each.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "script/host.h"
#include "textlib/limits.h"

namespace bq {
class TScrapList;
class TWebAccess;
class UserInterface;
class EventPump;
}  // namespace bq

namespace bq::script {
class TScriptMachine;
}

namespace bq::builtins {

// One node of the iterator list: the captures of one clip record, or all
// elements of one element list. key is the address after the list operation
// that made it.
struct TListNode {
  std::int32_t key = 0;
  bool clipRecord = false;
  bool integers = false;
  std::size_t readPos = 0;
  struct Element {
    std::int32_t number = 0;
    std::int32_t slot = -1;
    std::string name;
    std::string value;
  };
  std::vector<Element> elements;
};

// The global iterator list; the machine's FRP holds a node's id (0 = none).
class TListIterators {
 public:
  // Appends the nodes under key; returns the id of the first, 0 when none.
  std::intptr_t Add(std::int32_t key, std::vector<TListNode> nodes);
  TListNode* Node(std::intptr_t id);
  // The id of the next node with the same key after id, 0 at the end.
  std::intptr_t NextOf(std::intptr_t id) const;
  // Removes every node of key; key 0 removes all.
  void Drop(std::int32_t key);
  std::size_t Count() const { return nodes_.size(); }

 private:
  std::map<std::intptr_t, TListNode> nodes_;
  std::intptr_t nextId_ = 1;
};

class TBuiltinHost : public script::ScriptHost {
 public:
  TBuiltinHost(TScrapList& log, TWebAccess& web, UserInterface& ui, EventPump& pump);

  void Builtin(script::TScriptMachine& m, std::uint8_t mode, std::int32_t code) override;
  void List(script::TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;
  void Http(script::TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;
  void Extended(script::TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;
  void Window(script::TScriptMachine& m, std::uint8_t sub, std::int32_t operand) override;

  std::uint32_t DocDate() override;
  std::int32_t LogCount() override;
  std::string ClipboardText() override;
  std::string ConvertLogPath(std::string_view link) override;
  // Called by every reset of the machine, so also where a run starts: the
  // iterators go, and the run's count of added articles starts again.
  void ReleaseLists() override {
    lists_.Drop(0);
    addedThisRun_ = 0;
  }

  // Caption of MESSAGE boxes (Shift_JIS).
  std::string Caption = "Brindlequay";
  // What one run may leave behind: the print text in bytes, and the
  // articles PUTLOG adds. Past either, the run ends with a message saying
  // which limit it reached (the articles stored so far stay).
  std::size_t PrintLimit = static_cast<std::size_t>(limits::kDefaultPrintLimitKb) << 10;
  std::int32_t ArticleLimit = limits::kDefaultArticleLimit;
  const TListIterators& Lists() const { return lists_; }

 private:
  // Family parts (builtins_*.cpp).
  void StackBuiltin(script::TScriptMachine& m, std::int32_t code);
  void PageGet(script::TScriptMachine& m);
  void PageSubmit(script::TScriptMachine& m, std::int32_t slot);
  void PageHead(script::TScriptMachine& m);
  void PageReadLink(script::TScriptMachine& m, std::int32_t slot);
  void PageDownload(script::TScriptMachine& m);
  void FinishPage(script::TScriptMachine& m, std::string page, const std::string& address);
  void PutLog(script::TScriptMachine& m);
  void Unpack(script::TScriptMachine& m);
  void Pause(script::TScriptMachine& m, std::int64_t ms);
  std::vector<TListNode> MakeList(script::TScriptMachine& m, std::uint8_t sub, std::int32_t slot);
  void NextElement(script::TScriptMachine& m);

  TScrapList& log_;
  TWebAccess& web_;
  UserInterface& ui_;
  EventPump& pump_;
  TListIterators lists_;
  std::int32_t addedThisRun_ = 0;
  std::string utf8PageUrl_;  // the address of the last page when it came in UTF-8
};

// URLNUM: the number built from the numerals of text (format "-9999" and
// base 100 by default).
std::int32_t UrlNumber(std::string_view text, std::string_view format, std::int32_t base);
// HREF: the first non-empty " HREF=" value of text, with prefix's length cut
// from its front unless keep.
std::string FirstHref(std::string_view prefix, std::string_view text, bool keep);
// The local name DOWNLOAD saves an address under: its last path segment up to
// the first '?' or '#'.
std::string DownloadName(std::string_view url);
// The messages that end a run at PrintLimit and ArticleLimit (Shift_JIS).
std::string PrintLimitMessage(std::size_t limitBytes);
std::string ArticleLimitMessage(std::int32_t limit);
// The PRINT dump of an article record.
std::string PrintDump(std::int32_t topic, std::int32_t refer, std::uint32_t date, std::string_view title,
                      std::string_view author, std::string_view mailto, std::string_view hp, std::string_view head,
                      std::string_view host, std::string_view body);

}  // namespace bq::builtins
