// Writes the script writers' guide (HTML) from its source: the build runs it
// so the warnings it lists and shows are the compiler's own.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/core/workbench/guide.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE.html OUTPUT.html\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
    return 1;
  }
  std::ostringstream source;
  source << in.rdbuf();
  std::ofstream out(argv[2], std::ios::binary);
  out << bq::app::GuideHtml(source.str());
  return out.good() ? 0 : 1;
}
