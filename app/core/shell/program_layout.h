#pragma once
// Where the programs keep their files. Portable: settings, libs/ and the
// data folder Log/ beside the executable, used when that folder is
// writable. Installed: settings in $XDG_CONFIG_HOME/brindlequay/, data and a
// writable libs/ in $XDG_DATA_HOME/brindlequay/, the libs copied from the
// installed copy (share/brindlequay/libs beside the bin folder), used when
// the executable's folder is not writable or holds no libs/ of its own. The
// command-line options --settings, --data and --libs override either.
// Paths here are OS paths (UTF-8), folders ending in '/'. The data folder
// is chosen as: --data, else LOGDIR of the settings, else the default.
#include <string>
#include <string_view>

namespace bq::app {

struct LayoutInput {
  std::string exeDir;  // the executable's folder
  bool exeDirWritable = true;
  // An installed copy: share/brindlequay/libs beside the bin folder, and no
  // libs/ beside the executable. Installed into a prefix the user may write
  // to, the program still keeps its files in the XDG folders.
  bool installedCopy = false;
  std::string xdgConfigHome, xdgDataHome, home;  // empty when unset
  std::string settingsOption, dataOption, libsOption;  // empty when not given
};

struct ProgramLayout {
  bool installed = false;
  std::string settingsFile;
  std::string defaultDataFolder;  // used when the settings name none
  std::string dataOption;         // --data, which wins over the settings ("" when not given)
  std::string libsFolder;
  std::string installedLibs;  // the read-only copy libsFolder is filled from ("" when portable)
  std::string helpPage;       // the HTML help page
  std::string referencePage;  // the script language reference, beside the help page
  std::string guidePage;      // the script writers' guide, beside the help page
};

ProgramLayout ChooseLayout(const LayoutInput& in);

// The data folder: --data, else the settings' data folder (an OS path; ""
// when the settings name none), else the default. Ends in '/'.
std::string ChooseDataFolder(const ProgramLayout& layout, const std::string& settingsDataFolder);
// The log root, which holds the site folders: Log/ in the data folder.
std::string LogRootOf(const std::string& dataFolder);

// The layout for this process: reads the environment and the file system,
// creates the settings folder, and copies missing files of the installed
// libs into the writable one.
ProgramLayout PickLayout(std::string exeDir, std::string settingsOption, std::string dataOption,
                         std::string libsOption);

}  // namespace bq::app
