#pragma once
// The captions of the fetching options, for the dialogs that show them
// (Shift_JIS). The values themselves live in the settings (TInitParam:
// hostInterval as HOSTINTERVAL, unattendedLimit as UNATTENDEDLIMIT) and in
// the folder's later options (SaveCookies, see folder_cookies.h).
namespace bq::app {

// The options dialog's spin for TInitParam::hostInterval.
inline constexpr const char* kHostIntervalCaption =
    "\x93\xaf\x82\xb6\x83T\x81[\x83o\x81[\x82\xd6\x82\xcc\x8a\xd4\x8au(\x83~\x83\x8a\x95" "b)";  // 同じサーバーへの間隔(ミリ秒)
// The hint of the time-out spin: 0 is no time-out only where a person
// watches. "0 = タイムアウト無し。ただし定時巡回と brindlequay-cli の実行では、
// 300 秒間データが届かなければ中断します"
inline constexpr const char* kTimeOutHint =
    "0 = \x83^\x83" "C\x83\x80\x83" "A\x83" "E\x83g\x96\xb3\x82\xb5\x81" "B\x82\xbd\x82\xbe\x82\xb5\x92\xe8\x8e\x9e"
    "\x8f\x84\x89\xf1\x82\xc6 brindlequay-cli \x82\xcc\x8e\xc0\x8ds\x82\xc5\x82\xcd\x81" "A300 \x95" "b\x8a\xd4\x83"
    "f\x81[\x83^\x82\xaa\x93\xcd\x82\xa9\x82\xc8\x82\xaf\x82\xea\x82\xce\x92\x86\x92" "f\x82\xb5\x82\xdc\x82\xb7";
// The properties dialog's check box for the folder option SaveCookies.
inline constexpr const char* kSaveCookiesCaption =
    "\x83N\x83" "b\x83L\x81[\x82\xf0\x95\xdb\x91\xb6\x82\xb7\x82\xe9";  // クッキーを保存する
// The properties dialog's check box for the folder option RenderJS (see
// render_option.h) and the note beside it.
inline constexpr const char* kRenderJsCaption =
    "\x4a\x61\x76\x61\x53\x63\x72\x69\x70\x74\x82\xf0\x8e\xc0\x8d\x73\x82\xb5\x82\xc4\x83\x79\x81\x5b\x83\x57\x82\xf0"
    "\x8d\xec\x82\xe9";  // JavaScriptを実行してページを作る
inline constexpr const char* kRenderJsNote =
    "\x81\x69\x83\x4e\x83\x62\x83\x4c\x81\x5b\x82\xcd\x43\x68\x72\x6f\x6d\x69\x75\x6d\x82\xc9\x93\x6e\x82\xb3\x82\xea"
    "\x82\xdc\x82\xb9\x82\xf1\x81\x6a";  // （クッキーはChromiumに渡されません）

}  // namespace bq::app
