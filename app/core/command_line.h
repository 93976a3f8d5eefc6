#pragma once
// The desktop program's command line:
//   brindlequay [--data DIR] [--libs DIR] [--settings FILE] [--screenshot FILE.png] [WORD]
// WORD is a command word (SHOW, RUN, FOLDER, ALL, QUIT) passed to the running
// instance, or executed by this one once its window is set up.
#include <string>
#include <vector>

namespace bq::app {

struct DesktopOptions {
  std::string data, libs, settings;
  std::string screenshot;  // draw the main window into this PNG and end
  std::string word;
  bool help = false;
  bool version = false;
  std::string error;  // non-empty for a command line that cannot be used
};

// args without the program name; texts as the OS gave them.
DesktopOptions ParseDesktopArgs(const std::vector<std::string>& args);

inline constexpr char kDesktopUsage[] =
    "usage: brindlequay [--data DIR] [--libs DIR] [--settings FILE] [--screenshot FILE.png] [WORD]\n"
    "       brindlequay --version\n"
    "WORD: show, run, folder, all or quit (passed to the running instance)\n";

}  // namespace bq::app
