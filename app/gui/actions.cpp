// The action table.
#include "app/gui/actions.h"

#include <QKeySequence>

namespace bq::gui {

namespace {
constexpr ActionOwner W = ActionOwner::Window;
constexpr ActionOwner L = ActionOwner::DataLogPage;
constexpr ActionOwner S = ActionOwner::ScriptPage;
constexpr ActionOwner D = ActionOwner::Dialogs;
}  // namespace

const std::vector<ActionDef>& ActionDefs() {
  static const std::vector<ActionDef> defs = {
      // Rounds.
      {"ExecAction", "取得", "選択中フォルダの記事を取得する", "", Glyph::Fetch, W, false},
      {"RoundAction", "巡回", "選択フォルダ下を巡回して記事を取得する", "", Glyph::Round, W, false},
      {"TimerAction", "定時巡回", "指定時間での巡回", "", Glyph::Timer, W, false},
      {"StopAction", "実行中止", "処理を中断する", "", Glyph::Stop, W, false},
      {"SkipAction", "スキップ", "HTTP読込みだけを中断する", "", Glyph::Skip, W, false},
      {"TimerSwitch", "OFF", "定時巡回の入/切", "", Glyph::SwitchOff, W, true},
      // Folders.
      {"NewFolderAction", "新規フォルダ(&C)", "新しいフォルダを作る", "", Glyph::NewFolder, W, false},
      {"RenameFolderAction", "名前の変更(&N)", "フォルダの名前を変える", "", Glyph::Rename, W, false},
      {"DeleteFolderAction", "フォルダ削除(&D)", "フォルダとその中のデータを消す", "", Glyph::DeleteFolder, W, false},
      {"RoundTargetAction", "巡回の対象にする", "このフォルダを巡回の対象にする", "", Glyph::Target, W, true},
      {"PropertyAction", "プロパティ", "フォルダ設定", "", Glyph::Properties, D, false},
      {"NextLogDirAction", "次のログフォルダ", "履歴の次のログフォルダに切り替える", "", Glyph::NextHistory, W,
       false},
      // Articles (keys act in the data-log page only).
      {"NextAction", "次の未読へ", "次の未読記事へ", "Space;Ctrl+Down", Glyph::NextUnread, L, false},
      {"PrevAction", "前の未読へ", "前の未読記事へ", "Ctrl+Space;Ctrl+Up", Glyph::PrevUnread, L, false},
      {"BelowAction", "次の記事へ", "次の記事へ", "Down", Glyph::Down, L, false},
      {"AboveAction", "前の記事へ", "前の記事へ", "Up", Glyph::Up, L, false},
      {"FindAction", "検索", "検索", "Ctrl+F", Glyph::Find, L, false},
      {"FindNextAction", "下に検索", "下に検索", "F3;Ctrl+N", Glyph::FindNext, L, false},
      {"FindPrevAction", "上に検索", "上に検索", "Shift+F3;Ctrl+P", Glyph::FindPrev, L, false},
      {"DupAction", "重複記事を選択", "重複記事を選択", "Ctrl+D", Glyph::Duplicates, L, false},
      {"ReadAction", "既読に変更", "選択した記事を既読にする", "", Glyph::Read, L, false},
      {"UnreadAction", "未読に戻す", "選択した記事を未読に戻す", "", Glyph::Unread, L, false},
      {"DeleteAction", "記事を削除", "選択した記事を削除する", "Delete", Glyph::Delete, L, false},
      {"SelectAllAction", "全てを選択", "全ての記事を選択する", "Ctrl+A", Glyph::SelectAll, L, false},
      {"BrowseAction", "サイトを開く", "サイトをブラウザで開く", "", Glyph::Browse, L, false},
      {"ExportAction", "ログ出力", "フォルダ内のデータを出力", "", Glyph::Export, D, false},
      // Script workbench.
      {"GoAction", "実行", "スクリプト実行", "", Glyph::Run, S, false},
      {"StepAction", "ステップ実行", "一行ステップ実行", "", Glyph::Step, S, false},
      {"TraceAction", "トレース", "１命令実行", "", Glyph::Trace, S, false},
      {"ExecInit", "リセット", "レジスタの初期化", "", Glyph::Reset, S, false},
      {"ChangeView", "コード表示", "ビューをツリーに戻す", "", Glyph::Code, S, false},
      // Application.
      {"OptionAction", "オプション設定", "オプション設定", "", Glyph::Options, D, false},
      {"RoundLogAction", "巡回ログ表示", "巡回ログを開く", "", Glyph::RoundLog, W, false},
      {"CacheOldAction", "8日以上経ったもの", "古いキャッシュファイルを消去", "", Glyph::Cache, W, false},
      {"CacheAllAction", "全てのファイル", "キャッシュを消去", "", Glyph::Cache, W, false},
      {"HelpAction", "ヘルプ目次", "ヘルプ目次", "F1", Glyph::Help, W, false},
      {"AboutAction", "バージョン情報", "バージョン情報", "", Glyph::About, W, false},
      {"HideAction", "隠す", "ウィンドウを隠してトレイに入れる", "", Glyph::Hide, W, false},
      {"ExitAction", "終了", "終了", "", Glyph::Exit, W, false},
  };
  return defs;
}

QHash<QString, QAction*> CreateActions(QObject* owner) {
  QHash<QString, QAction*> actions;
  for (const ActionDef& d : ActionDefs()) {
    auto* a = new QAction(GlyphIcon(d.glyph), QString::fromUtf8(d.caption), owner);
    a->setObjectName(QString::fromLatin1(d.name));
    a->setToolTip(QString::fromUtf8(d.hint));
    a->setStatusTip(QString::fromUtf8(d.hint));
    a->setCheckable(d.checkable);
    QList<QKeySequence> keys;
    for (const QString& k : QString::fromLatin1(d.keys).split(QLatin1Char(';'), Qt::SkipEmptyParts))
      keys << QKeySequence(k);
    a->setShortcuts(keys);
    // Until a page or dialog connects it, an action of theirs does nothing.
    a->setEnabled(d.owner == ActionOwner::Window);
    actions.insert(a->objectName(), a);
  }
  return actions;
}

}  // namespace bq::gui
