#pragma once
// The application's instances (article log, page fetcher, compiler, script
// machine, builtin host) for the core's own models and the headless runner.
// The desktop shell never sees them: it goes through TApplication's named
// operations, and the layering check refuses this header in app/gui and
// app/controls.
#include "app/core/application.h"

namespace bq::app {

class TKernel {
 public:
  static TScrapList& Log(TApplication& a) { return a.Log; }
  static const TScrapList& Log(const TApplication& a) { return a.Log; }
  static TWebAccess& Web(TApplication& a) { return a.Web; }
  static script::TScriptEngine& Engine(TApplication& a) { return a.Engine; }
  static const script::TScriptEngine& Engine(const TApplication& a) { return a.Engine; }
  static script::TScriptMachine& Machine(TApplication& a) { return a.Machine; }
  static const script::TScriptMachine& Machine(const TApplication& a) { return a.Machine; }
  static builtins::TBuiltinHost& Host(TApplication& a) { return a.Host; }
};

}  // namespace bq::app
