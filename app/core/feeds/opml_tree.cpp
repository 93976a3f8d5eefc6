#include "app/core/feeds/opml_tree.h"

#include <algorithm>
#include <map>

#include "app/core/kernel.h"
#include "feed/opml.h"
#include "platform/compare.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq::app {
namespace {

constexpr int kMaxTreeDepth = 64;

std::vector<std::string> SubfolderNames(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::ListDir(dir))
    if (e.isDir && !fs::IsSymbolicLink(dir + e.name)) names.push_back(e.name);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareTextIgnoreCase(a, b) < 0; });
  return names;
}

// The definition of a folder: the open one's from memory, any other's from
// its node file (empty when it has none).
TFolderInfo Definition(const TApplication& app, const std::string& path) {
  if (path == TKernel::Log(app).FolderPath()) return TKernel::Log(app).Folder;
  TFolderInfo info;
  std::string text;
  if (fs::ReadFile(path + std::string(kNodeFileName), text, limits::kMaxNodeFile)) ParseNodeFile(text, info);
  return info;
}

feed::Outline OutlineOf(const TFolderInfo& def, const std::string& name) {
  feed::Outline o;
  o.text = SjisToUtf8(name);
  if (IsFeedFolder(def)) {
    const std::string address = FeedAddress(def);
    std::string page = def.Extension(kFeedPageOption);
    if (page.empty() && def.SiteUrl != address) page = def.SiteUrl;
    const std::string title = def.Extension(kFeedTitleOption);
    o.type = "rss";
    o.title = title.empty() ? o.text : SjisToUtf8(title);
    o.xmlUrl = SjisToUtf8(address);
    o.htmlUrl = SjisToUtf8(page);
  } else if (!def.SiteUrl.empty() || !def.ScriptName.empty()) {
    o.type = std::string(feed::kScriptOutlineType);
    o.url = SjisToUtf8(def.SiteUrl);
    o.script = SjisToUtf8(def.ScriptName);
    o.round = def.RoundTarget;
  }
  return o;
}

void ExportBelow(const TApplication& app, const std::string& dir, std::vector<feed::Outline>& out, int depth) {
  if (depth > kMaxTreeDepth) return;
  for (const std::string& name : SubfolderNames(dir)) {
    const std::string path = dir + name + "/";
    out.push_back(OutlineOf(Definition(app, path), name));
    ExportBelow(app, path, out.back().children, depth + 1);
  }
}

class Importer {
 public:
  Importer(TApplication& app, OpmlImportResult& result) : app_(app), r_(result) { CollectAddresses(app.LogRoot(), 0); }

  void Outlines(const std::vector<feed::Outline>& outlines, const std::string& parent, int depth) {
    if (depth > kMaxTreeDepth) return;
    for (const feed::Outline& o : outlines) Outline(o, parent, depth);
  }

 private:
  void CollectAddresses(const std::string& dir, int depth) {
    if (depth > kMaxTreeDepth) return;
    for (const std::string& name : SubfolderNames(dir)) {
      const std::string path = dir + name + "/";
      const TFolderInfo def = Definition(app_, path);
      if (IsFeedFolder(def)) {
        known_.emplace(def.SiteUrl, path);
        known_.emplace(FeedAddress(def), path);
      } else if (!def.SiteUrl.empty()) {
        known_.emplace(def.SiteUrl, path);
      }
      CollectAddresses(path, depth + 1);
    }
  }

  static std::string Trimmed(std::string_view utf8) {
    while (!utf8.empty() && static_cast<unsigned char>(utf8.front()) <= ' ') utf8.remove_prefix(1);
    while (!utf8.empty() && static_cast<unsigned char>(utf8.back()) <= ' ') utf8.remove_suffix(1);
    return Utf8ToSjis(utf8);
  }

  // A new site folder in parent with this definition; empty when it cannot be made.
  std::string Create(const std::string& parent, const std::string& name, const TFolderInfo& def) {
    const std::string path = parent + UniqueFolderName(parent, name) + "/";
    if (!fs::ForceDirectories(path) || !TKernel::Log(app_).OpenFolder(path)) return {};
    TKernel::Log(app_).Folder = def;
    TKernel::Log(app_).SaveNode();
    r_.created.push_back(path);
    return path;
  }

  void Outline(const feed::Outline& o, const std::string& parent, int depth) {
    const std::string xmlUrl = Trimmed(o.xmlUrl), url = Trimmed(o.url);
    std::string label = !Trimmed(o.text).empty() ? o.text : !Trimmed(o.title).empty() ? o.title : !o.xmlUrl.empty() ? o.xmlUrl : o.url;
    const std::string name = FeedFolderName(Trimmed(label));
    const std::string address = !xmlUrl.empty() ? xmlUrl : o.type == feed::kScriptOutlineType ? url : std::string();
    std::string here;
    if (!address.empty()) {
      auto known = known_.find(address);
      if (known != known_.end()) {
        ++r_.existing;
        here = known->second;
      } else {
        TFolderInfo def;
        if (!xmlUrl.empty()) {
          SetFeedAddress(def, xmlUrl);
          def.SetExtension(kFeedUrlOption, xmlUrl);
          def.SetExtension(kFeedTitleOption, Trimmed(o.title));
          def.SetExtension(kFeedPageOption, Trimmed(o.htmlUrl));
          def.RoundTarget = true;
        } else {
          def.SiteUrl = url;
          def.ScriptName = Trimmed(o.script);
          def.RoundTarget = o.round;
        }
        here = Create(parent, name, def);
        if (here.empty()) return;
        (xmlUrl.empty() ? r_.scripts : r_.feeds) += 1;
        known_.emplace(address, here);
      }
    } else {
      here = parent + name + "/";
      if (!fs::DirectoryExists(here)) {
        if (!fs::ForceDirectories(here)) return;
        ++r_.folders;
      }
    }
    Outlines(o.children, here, depth + 1);
  }

  TApplication& app_;
  OpmlImportResult& r_;
  std::map<std::string, std::string> known_;  // address -> folder reading it
};

}  // namespace

std::string ExportOpml(const TApplication& app, const std::string& folder) {
  feed::Opml opml;
  const std::string dir = fs::IncludeTrailingSeparator(folder);
  const std::string rel = RelativeFolder(app.LogRoot(), dir);
  opml.title = "Brindlequay" + (rel.empty() ? std::string() : " " + SjisToUtf8(rel));
  ExportBelow(app, dir, opml.outlines, 0);
  return feed::WriteOpml(opml);
}

OpmlImportResult ImportOpml(TApplication& app, std::string_view opmlBytes, const std::string& folder) {
  OpmlImportResult result;
  const feed::Opml opml = feed::ReadOpml(opmlBytes);
  result.error = opml.error;
  const std::string open = TKernel::Log(app).FolderPath();
  const std::string dir = fs::IncludeTrailingSeparator(folder);
  fs::ForceDirectories(dir);
  Importer(app, result).Outlines(opml.outlines, dir, 0);
  if (!open.empty()) TKernel::Log(app).OpenFolder(open);
  return result;
}

void ExportOpmlFile(const TApplication& app, const std::string& folder, const std::string& file) {
  fs::WriteFileAtomic(file, ExportOpml(app, folder));
}

OpmlImportResult ImportOpmlFile(TApplication& app, const std::string& file, const std::string& folder) {
  std::string bytes;
  if (!fs::ReadFile(file, bytes, limits::kMaxOpmlFile)) {
    OpmlImportResult none;
    none.error = file + Utf8ToSjis(" を読めません");
    return none;
  }
  return ImportOpml(app, bytes, folder);
}

std::string ImportSummary(const OpmlImportResult& r) {
  return Utf8ToSjis("OPML: フィード " + std::to_string(r.feeds) + ", スクリプト " + std::to_string(r.scripts) +
                    ", フォルダ " + std::to_string(r.folders) + " を作成 (登録済み " + std::to_string(r.existing) +
                    ")");
}

}  // namespace bq::app
