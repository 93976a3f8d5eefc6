// Settings file text -> every key read -> written -> read again: the second
// reading must give the same values as the first.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "web/initfile.h"
#include "web/initparam.h"

namespace {

bool Same(const bq::TInitParam& a, const bq::TInitParam& b) {
  return a.developer == b.developer && a.winLeft == b.winLeft && a.winTop == b.winTop &&
         a.winRight == b.winRight && a.winBottom == b.winBottom && a.winState == b.winState &&
         a.developerMode == b.developerMode && a.logDir == b.logDir && a.lastBbs == b.lastBbs &&
         a.logHist == b.logHist && a.memoFont == b.memoFont && a.listFont == b.listFont &&
         a.titleFont == b.titleFont && a.resColor == b.resColor && a.exportFile == b.exportFile &&
         a.exportType == b.exportType && a.cbTime == b.cbTime && a.colWidth == b.colWidth &&
         a.sortByNew == b.sortByNew && a.toolbarIcon == b.toolbarIcon && a.startInTray == b.startInTray &&
         a.statusDisp == b.statusDisp && a.dispClock == b.dispClock && a.dispRefer == b.dispRefer &&
         a.sysVarDisp == b.sysVarDisp && a.splitList == b.splitList && a.splitTree == b.splitTree &&
         a.httpTimeout == b.httpTimeout;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bq::TInitFile in;
  in.SetText(std::string(reinterpret_cast<const char*>(data), size));
  bq::TInitParam first;
  first.Read(in);
  bq::TInitFile out;
  first.Write(out);
  out.Sort();
  bq::TInitParam second;
  second.Read(out);
  if (!Same(first, second)) std::abort();
  return 0;
}
