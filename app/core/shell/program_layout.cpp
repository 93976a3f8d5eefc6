// Portable or installed file layout.
#include "app/core/shell/program_layout.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/fs.h"

namespace bq::app {

namespace {

std::string Dir(std::string_view path) {
  std::string d(path);
  if (!d.empty() && d.back() != '/') d.push_back('/');
  return d;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Copies the files of from that are missing in to, one level of folders deep
// at most per call, recursing into subfolders.
void CopyMissingFiles(const std::string& from, const std::string& to) {
  std::string f = fs::FromOsPath(from), t = fs::FromOsPath(to);
  if (!fs::DirectoryExists(f)) return;
  fs::ForceDirectories(t);
  for (const auto& e : fs::ListDir(f)) {
    if (e.isDir) {
      CopyMissingFiles(from + fs::ToOsPath(e.name) + "/", to + fs::ToOsPath(e.name) + "/");
    } else if (!fs::FileExists(t + e.name)) {
      fs::CopyFile(f + e.name, t + e.name);
    }
  }
}

}  // namespace

ProgramLayout ChooseLayout(const LayoutInput& in) {
  ProgramLayout out;
  const std::string exe = Dir(in.exeDir);
  out.installed = !in.exeDirWritable || in.installedCopy;
  std::string config, data;
  if (out.installed) {
    std::string home = Dir(in.home);
    config = (in.xdgConfigHome.empty() ? home + ".config/" : Dir(in.xdgConfigHome)) + "brindlequay/";
    data = (in.xdgDataHome.empty() ? home + ".local/share/" : Dir(in.xdgDataHome)) + "brindlequay/";
    out.installedLibs = exe + "../share/brindlequay/libs/";
    out.libsFolder = data + "libs/";
    out.helpPage = exe + "../share/brindlequay/help/index.html";
  } else {
    config = exe;
    data = exe;
    out.libsFolder = exe + "libs/";
    out.helpPage = exe + "help/index.html";
  }
  const std::string help = out.helpPage.substr(0, out.helpPage.rfind('/') + 1);
  out.referencePage = help + "script-reference.html";
  out.guidePage = help + "script-guide.html";
  out.settingsFile = in.settingsOption.empty() ? config + "brindlequay.ini" : in.settingsOption;
  out.defaultDataFolder = data + "Log/";
  out.dataOption = in.dataOption.empty() ? "" : Dir(in.dataOption);
  if (!in.libsOption.empty()) out.libsFolder = Dir(in.libsOption);
  return out;
}

std::string ChooseDataFolder(const ProgramLayout& layout, const std::string& settingsDataFolder) {
  if (!layout.dataOption.empty()) return layout.dataOption;
  return Dir(settingsDataFolder.empty() ? layout.defaultDataFolder : settingsDataFolder);
}

std::string LogRootOf(const std::string& dataFolder) { return Dir(dataFolder) + "Log/"; }

ProgramLayout PickLayout(std::string exeDir, std::string settingsOption, std::string dataOption,
                         std::string libsOption) {
  LayoutInput in;
  in.exeDir = std::move(exeDir);
  in.exeDirWritable = ::access(in.exeDir.c_str(), W_OK) == 0;
  in.installedCopy = ::access((Dir(in.exeDir) + "../share/brindlequay/libs").c_str(), F_OK) == 0 &&
                     ::access((Dir(in.exeDir) + "libs").c_str(), F_OK) != 0;
  in.xdgConfigHome = Env("XDG_CONFIG_HOME");
  in.xdgDataHome = Env("XDG_DATA_HOME");
  in.home = Env("HOME");
  in.settingsOption = std::move(settingsOption);
  in.dataOption = std::move(dataOption);
  in.libsOption = std::move(libsOption);
  ProgramLayout out = ChooseLayout(in);
  fs::ForceDirectories(fs::FromOsPath(fs::ExtractFilePath(out.settingsFile)));
  if (out.installed && in.libsOption.empty()) CopyMissingFiles(out.installedLibs, out.libsFolder);
  return out;
}

}  // namespace bq::app
