// bq_open_probe DATA FOLDER: opens a site folder the way the desktop's
// "データログ" page does (the application set up on the data folder, the
// folder opened, laid out in thread order, the first screen of rows drawn
// as text) and prints the time that took, with its steps: the set-up, the
// open (of it the log's own LoadTime and SortTime) and the first screen,
// each as wall and processor time. The benchmark runs it as a fresh
// process, so the peak memory it sees is the open folder's alone.
#include <time.h>

#include <cstdio>
#include <string>

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/core/list/article_list.h"
#include "platform/events.h"
#include "platform/ui.h"

namespace {

double Ms(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Mark {
  double wall = Ms(CLOCK_MONOTONIC), cpu = Ms(CLOCK_PROCESS_CPUTIME_ID);
};

constexpr int kScreenRows = 40;  // rows of a tall list window

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bq_open_probe DATA FOLDER\n");
    return 2;
  }
  const Mark start;
  bq::RecordingUi ui;
  bq::CallbackPump pump;
  bq::app::TApplication app(ui, pump, [] { return bq::SystemProxySettings{}; });
  app.SetupFolders(argv[1]);
  bq::app::TArticleList list(app);
  const Mark setUp;
  list.Open(argv[2]);
  const Mark opened;
  std::size_t bytes = 0;
  for (int r = 0; r < kScreenRows && r < list.RowCount(); ++r)
    for (int c = 0; c < list.ColumnCount(); ++c) bytes += list.Cell(r, c).size();
  const Mark end;
  const bq::TScrapList& log = bq::app::TKernel::Log(app);
  std::printf(
      "open_ms %.1f cpu_ms %.1f rows %d bytes %zu | setup %.1f/%.1f open %.1f/%.1f (load_ms %d sort_ms %d) "
      "screen %.1f/%.1f (wall/cpu ms)\n",
      end.wall - start.wall, end.cpu - start.cpu, list.RowCount(), bytes, setUp.wall - start.wall,
      setUp.cpu - start.cpu, opened.wall - setUp.wall, opened.cpu - setUp.cpu, log.LoadTime(), log.SortTime(),
      end.wall - opened.wall, end.cpu - opened.cpu);
  // Leaving without saving: the figures are the open's, not the exit's.
  std::fflush(stdout);
  std::_Exit(0);
}
