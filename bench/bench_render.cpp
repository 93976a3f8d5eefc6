// Pages built by JavaScript: the fetch of a local page whose list comes
// from fetch() of a JSON file, rendered by headless Chromium (a process per
// page), beside the plain fetch of the same page. Reports the time per page
// and the peak memory of Chromium's whole process group: resident (shared
// pages counted in every process) and proportional (shared pages divided).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "app/core/local_server.h"
#include "platform/events.h"
#include "web/pagerender.h"
#include "web/webaccess.h"

namespace bq {
namespace {

const char* kPage =
    "<html><head><meta charset=\"utf-8\"><title>list</title></head><body><ul id=\"list\"></ul><script>"
    "fetch('/items.json').then(r => r.json()).then(items => { const ul = document.getElementById('list');"
    " for (const it of items) { const li = document.createElement('li'); li.textContent = it.title;"
    " ul.appendChild(li); } });</script></body></html>";

std::string Items() {
  std::string json = "[";
  for (int i = 0; i < 200; ++i) json += (i ? "," : "") + std::string("{\"title\":\"item ") + std::to_string(i) + "\"}";
  return json + "]";
}

app::TLocalServer& Server() {
  static const std::string items = Items();
  static app::TLocalServer server([](const app::LocalRequest& r) {
    if (r.target == "/list.html") return app::LocalResponse{200, "text/html", kPage};
    if (r.target == "/items.json") return app::LocalResponse{200, "application/json", items};
    return app::LocalResponse{404, "text/html", "not here"};
  });
  return server;
}

SystemProxySettings Direct() { return {}; }

// state.range(0): 0 the plain fetch (the empty list as sent), 1 rendered.
void BM_RenderedFetch(benchmark::State& state) {
  const bool render = state.range(0) != 0;
  if (render && FindOnPath("chromium").empty()) return state.SkipWithError("chromium is not installed");
  char tmpl[] = "/tmp/bqbenchrender.XXXXXX";
  std::string dir = std::string(mkdtemp(tmpl)) + "/";
  CallbackPump pump;
  TWebAccess web(pump, Direct);
  web.SetCacheDir(dir + "cache/");
  web.RenderPages = render;
  TGroupMemory peak;
  std::uint64_t nextSample = 0;
  // Reading every process's smaps costs CPU: a sample every 100 ms at most.
  web.Renderer.OnWait = [&peak, &nextSample](pid_t group) {
    if (TickCount64() < nextSample) return;
    nextSample = TickCount64() + 100;
    TGroupMemory now = ProcessGroupMemory(group);
    peak.rssKb = std::max(peak.rssKb, now.rssKb);
    peak.pssKb = std::max(peak.pssKb, now.pssKb);
  };
  const std::string url = Server().Url("/list.html");
  std::size_t items = 0;
  for (auto _ : state) {
    std::string text = web.GetPage(url, false);
    if (web.ReplyNo() != 200) return state.SkipWithError("fetch failed");
    std::size_t n = 0;
    for (std::size_t at = text.find("<li>"); at != std::string::npos; at = text.find("<li>", at + 1)) ++n;
    items = n;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  state.counters["list_items"] = static_cast<double>(items);
  state.counters["peak_rss_MB"] = static_cast<double>(peak.rssKb) / 1024.0;
  state.counters["peak_pss_MB"] = static_cast<double>(peak.pssKb) / 1024.0;
}
BENCHMARK(BM_RenderedFetch)->Arg(0)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderedFetch)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace bq
