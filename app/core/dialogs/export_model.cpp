#include "app/core/dialogs/export_model.h"

#include "app/core/application.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/error.h"
#include "textlib/limits.h"

namespace bq::app {

ExportChoice ExportFromSettings(const TInitParam& settings) {
  ExportChoice c;
  c.file = settings.exportFile;
  c.target = settings.exportType >= 0 && settings.exportType < kExportTargets ? settings.exportType : 0;
  c.utf8 = settings.exportUtf8;
  return c;
}

void StoreExportChoice(TInitParam& settings, const ExportChoice& choice) {
  settings.exportFile = choice.file;
  settings.exportType = choice.target;
  settings.exportUtf8 = choice.utf8;
}

std::vector<std::string> ExportEncodings() { return {"Shift_JIS", "UTF-8"}; }

std::string ExportChoiceError(const ExportChoice& choice) {
  const bool blank = choice.file.find_first_not_of(" \t") == std::string::npos;
  return blank ? Utf8ToSjis("出力ファイルを指定してください") : std::string();
}

std::string ExportDoneText(const ExportChoice& choice) {
  return Utf8ToSjis("エクスポートしました: ") + choice.file;
}

void RunExport(TApplication& app, const ExportChoice& choice) {
  StoreExportChoice(app.Settings, choice);
  TBusyState::Scope busy = app.Busy().Enter(Activity::Export, false);
  app.Export(choice.file, choice.target, choice.deleteExported);
  if (!choice.utf8 || !fs::FileExists(choice.file)) return;
  std::string text;
  if (!fs::ReadFile(choice.file, text, limits::kMaxScriptText))
    throw Exception(choice.file + Utf8ToSjis(" を UTF-8 に変換できません"));
  fs::WriteFileAtomic(choice.file, SjisToUtf8(text));
}

std::vector<FileFilter> ParseFileFilters(const std::string& text) {
  // A '|' can be the second byte of a double-byte character; those stay.
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      parts.back() += text.substr(i++, 2);
    } else if (c == '|') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  std::vector<FileFilter> out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) out.push_back({parts[i], parts[i + 1]});
  return out;
}

std::vector<FileFilter> ExportFileFilters() {
  return ParseFileFilters(
      Utf8ToSjis("テキスト(*.txt)|*txt|HTML(*.htm)|*.htm;*.html|メール(*.mbx)|*.mbx|知子テキスト(*.ren)|*."
                 "ren|CSV(*.csv)|*.csv|"
                 "全てのファイル|*.*"));
}

}  // namespace bq::app
