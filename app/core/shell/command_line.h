#pragma once
// The desktop program's command line:
//   brindlequay [--data DIR] [--libs DIR] [--settings FILE] [--screenshot FILE.png] [WORD]
// WORD is a command word (SHOW, RUN, FOLDER, ALL, QUIT) passed to the running
// instance, or executed by this one once its window is set up.
#include <string>
#include <vector>

#include "app/core/local_server.h"

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

// What a start does once it has tried the running instance's socket.
struct StartPlan {
  bool becomeInstance = false;  // listen on the socket and open the window
  int exitCode = 0;             // otherwise: end with this status
  std::string message;          // for stderr; empty when there is nothing to say
};
// Answered: the word was passed on, end (0). NotAnswering: say so, end (2),
// and leave the socket alone. NoInstance: become the instance, except for
// "quit", which has nothing to close and ends at once (0).
StartPlan PlanStart(const std::string& word, InstanceReach reach, const std::string& socketPath);

inline constexpr char kDesktopUsage[] =
    "usage: brindlequay [--data DIR] [--libs DIR] [--settings FILE] [--screenshot FILE.png] [WORD]\n"
    "       brindlequay --version\n"
    "WORD: show, run, folder, all or quit (passed to the running instance)\n";

}  // namespace bq::app
