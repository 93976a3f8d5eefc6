#include "app/cli/commands.h"

namespace bq::cli {

int CompileCommand(const Args& args, const GlobalOptions& options);  // compile_cmd.cpp
int ExecCommand(const Args& args, const GlobalOptions& options);     // exec_cmd.cpp
int RunCommand(const Args& args, const GlobalOptions& options);      // run_cmd.cpp
int RoundCommand(const Args& args, const GlobalOptions& options);    // round_cmd.cpp
int ScheduleCommand(const Args& args, const GlobalOptions& options); // round_cmd.cpp
int ListCommand(const Args& args, const GlobalOptions& options);     // list_cmd.cpp
int ExportCommand(const Args& args, const GlobalOptions& options);   // export_cmd.cpp
int FolderCommand(const Args& args, const GlobalOptions& options);   // folder_cmd.cpp
int DemoCommand(const Args& args, const GlobalOptions& options);     // demo_cmd.cpp
int ShowCommand(const Args& args, const GlobalOptions& options);     // read_cmd.cpp
int MarkCommand(const Args& args, const GlobalOptions& options);     // read_cmd.cpp
int DeleteCommand(const Args& args, const GlobalOptions& options);   // read_cmd.cpp
int ClearCommand(const Args& args, const GlobalOptions& options);    // read_cmd.cpp
int FindCommand(const Args& args, const GlobalOptions& options);     // read_cmd.cpp
int PathsCommand(const Args& args, const GlobalOptions& options);    // paths_cmd.cpp
int OpmlCommand(const Args& args, const GlobalOptions& options);     // opml_cmd.cpp

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> table = {
      {"compile", "compile FILE.pss [--listing] [--werror] [--libs DIR]   compile a script, print errors, warnings or the listing",
       CompileCommand},
      {"exec",
       "exec FILE.pss [--trace] [--articles] [--url URL] [--data DIR] [--libs DIR]   compile and run a script with "
       "every builtin outside any folder, print its print text (and the articles it stored)",
       ExecCommand},
      {"run", "run FOLDER   fetch one site folder with its script; print new, unread and total articles", RunCommand},
      {"round", "round [FOLDER]   a round below FOLDER (default: every folder), with the round line", RoundCommand},
      {"schedule",
       "schedule [show | set [--hours H,H,...|--every-2h|--none] [--minute M] [--on|--off]]   stay running and "
       "start rounds at the hours and minute of weblog.def; show or set them",
       ScheduleCommand},
      {"list", "list FOLDER [--unread] [--json]   the articles in thread order", ListCommand},
      {"show", "show FOLDER TOPIC [--refer N] [--keep-unread]   print one article and mark it read", ShowCommand},
      {"mark", "mark FOLDER (--read|--unread) (TOPIC...|--all)   set read marks", MarkCommand},
      {"delete", "delete FOLDER TOPIC...   delete the articles with these topics", DeleteCommand},
      {"clear", "clear FOLDER [--yes]   delete every article of the folder (asks on a terminal)", ClearCommand},
      {"find", "find FOLDER TEXT   the articles whose title, author or body contain TEXT", FindCommand},
      {"export", "export FOLDER FILE [--target 0-4] [--delete]   call the folder script's EXPORT", ExportCommand},
      {"folder",
       "folder add PATH (--url URL --script NAME | --feed URL) [--round] [--tree] [--newest-reply-first] [--hide-index]"
       " [--show-body] [--update-unread] | show PATH | set PATH KEY=VALUE...   site folders and feed folders",
       FolderCommand},
      {"opml",
       "opml export [FOLDER] | opml import FILE [FOLDER]   the folder tree as an OPML subscription list, out "
       "(stdout) and in",
       OpmlCommand},
      {"demo",
       "demo [--serve]   serve the bundled demo board on 127.0.0.1, run a round over three folders, show the articles "
       "(--serve: keep serving until Ctrl-C)",
       DemoCommand},
      {"paths", "paths [settings|data|log-root|libs|help]   the settings file and the folders in use", PathsCommand},
  };
  return table;
}

}  // namespace bq::cli
