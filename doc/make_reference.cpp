// Writes the script language reference (HTML) to the file named on the
// command line; the build runs it so the page always matches the compiler.
#include <cstdio>
#include <fstream>

#include "app/core/workbench/reference.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.html\n", argv[0]);
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << bq::app::ReferenceHtml();
  return out.good() ? 0 : 1;
}
