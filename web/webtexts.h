#pragma once
// The page fetcher's own texts (Shift_JIS).
namespace bq::webtext {

inline constexpr const char* kGetting = "\x8e\xe6\x93\xbe...";  // 取得...
inline constexpr const char* kCacheRead = "\x83L\x83\x83\x83" "b\x83V\x83\x85\x93\xc7\x8d\x9e\x82\xdd";  // キャッシュ読込み
inline constexpr const char* kStopped = "\x83" "f\x81[\x83^\x8e\xe6\x93\xbe\x82\xf0\x92\x86\x8e~\x82\xb5\x82\xdc\x82\xb5\x82\xbd\r\n";  // データ取得を中止しました
inline constexpr const char* kFetchFailed = "\x8e\xe6\x93\xbe\x8e\xb8\x94s";  // 取得失敗
inline constexpr const char* kSending = "\x91\x97\x90M...";  // 送信...
inline constexpr const char* kHeadState = "\x83w\x83" "b\x83_...";  // ヘッダ...
inline constexpr const char* kDataFailed = "\x83" "f\x81[\x83^\x8e\xe6\x93\xbe\x8e\xb8\x94s";  // データ取得失敗
inline constexpr const char* kDownloadFailed = "\x83" "f\x81[\x83^\x8e\xe6\x93\xbe\x82\xaa\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\r\n";  // データ取得ができませんでした
inline constexpr const char* kRedirecting = "\x83\x8a\x83_\x83" "C\x83\x8c\x83N\x83g...";  // リダイレクト...
inline constexpr const char* kRedirectTo = "\x83\x8a\x83_\x83" "C\x83\x8c\x83N\x83g: ";  // リダイレクト:
inline constexpr const char* kReceiving = "\x8e\xf3\x90M\x92\x86...";  // 受信中...
inline constexpr const char* kBytes = " \xca\xde\xb2\xc4";  // ﾊﾞｲﾄ
inline constexpr const char* kSendingData = "\x91\x97\x90M\x92\x86...";  // 送信中...
inline constexpr const char* kInterrupted = "\x93\xc7\x8d\x9e\x82\xdd\x82\xf0\x92\x86\x92" "f\x82\xb5\x82\xdc\x82\xb5\x82\xbd";  // 読込みを中断しました
inline constexpr const char* kLookingUp = "\x83z\x83X\x83g\x8c\x9f\x8d\xf5\x92\x86...";  // ホスト検索中...
inline constexpr const char* kConnecting = "\x90\xda\x91\xb1\x92\x86...";  // 接続中...
inline constexpr const char* kDisconnected = "\x90\xd8\x92" "f";  // 切断
// Not among the original texts: a wait before a request sent once more, a
// wait between two requests to one server, a watchdog stop's report.
inline constexpr const char* kRetryWait = "\x8d\xc4\x8e\x8e\x8ds\x91\xd2\x82\xbf...";  // 再試行待ち...
inline constexpr const char* kSpacingWait = "\x8a\xd4\x8au\x91\xd2\x82\xbf...";  // 間隔待ち...
inline constexpr const char* kSecondsLeft = "\x82\xa0\x82\xc6 ";  // あと
inline constexpr const char* kSeconds = " \x95" "b";  // 秒
inline constexpr const char* kInterruptedBy = "\x93\xc7\x8d\x9e\x82\xdd\x82\xf0\x92\x86\x92" "f\x82\xb5\x82\xdc\x82\xb5\x82\xbd: ";  // 読込みを中断しました:
inline constexpr const char* kNoReplyFor = " \x95" "b\x8a\xd4\x89\x9e\x93\x9a\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";  // 秒間応答がありません
// Not among the original texts: a page asked for while only the cache may
// answer, and a redirect chain that does not end.
inline constexpr const char* kNotInCache = "not in the cache";
inline constexpr const char* kTooManyRedirects = "Too many redirects";
// A page whose document headless Chromium builds.
inline constexpr const char* kRendering = "JavaScript\x82\xf0\x8e\xc0\x8ds\x92\x86...";  // JavaScriptを実行中...

}  // namespace bq::webtext
