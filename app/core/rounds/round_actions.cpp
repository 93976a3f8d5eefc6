#include "app/core/rounds/round_actions.h"

#include "textlib/cp932.h"

namespace bq::app {

ActionText RoundActionText(RoundActionId id) {
  struct Row {
    const char* caption;
    const char* hint;
  };
  static constexpr Row kRows[] = {
      {"取得", "選択中フォルダの記事を取得する"}, {"巡回", "選択フォルダ下を巡回して記事を取得する"},
      {"定時巡回", "指定時間での巡回"},           {"実行中止", "処理を中断する"},
      {"スキップ", "HTTP読込みだけを中断する"},   {"OFF", "定時巡回の ON / OFF"},
  };
  static_assert(sizeof(kRows) / sizeof(kRows[0]) == static_cast<int>(RoundActionId::Switch) + 1);
  const Row& r = kRows[static_cast<int>(id)];
  return {Utf8ToSjis(r.caption), Utf8ToSjis(r.hint)};
}

}  // namespace bq::app
