// bq_open_probe DATA FOLDER: opens a site folder the way the desktop's
// "データログ" page does (the application set up on the data folder, the
// folder opened, laid out in thread order, the first screen of rows drawn
// as text) and prints the time that took. The benchmark runs it as a fresh
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

double WallMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

constexpr int kScreenRows = 40;  // rows of a tall list window

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bq_open_probe DATA FOLDER\n");
    return 2;
  }
  const double start = WallMs();
  bq::RecordingUi ui;
  bq::CallbackPump pump;
  bq::app::TApplication app(ui, pump, [] { return bq::SystemProxySettings{}; });
  app.SetupFolders(argv[1]);
  bq::app::TArticleList list(app);
  list.Open(argv[2]);
  std::size_t bytes = 0;
  for (int r = 0; r < kScreenRows && r < list.RowCount(); ++r)
    for (int c = 0; c < list.ColumnCount(); ++c) bytes += list.Cell(r, c).size();
  const double end = WallMs();
  std::printf("open_ms %.1f rows %d bytes %zu load_ms %d\n", end - start, list.RowCount(), bytes, bq::app::TKernel::Log(app).LoadTime());
  // Leaving without saving: the figures are the open's, not the exit's.
  std::fflush(stdout);
  std::_Exit(0);
}
