#pragma once

#include <string>

#include "convert/path_containment.h"
#include "convert/run_host.h"

namespace quelmar {

// The texts the run control shows.
inline constexpr const char* kNoLogoMessage = "ロゴ画像が指定されていないか、ファイルがありません";
inline constexpr const char* kNoSourceMessage = "元画像のディレクトリがありません";
inline constexpr const char* kNoOutputMessage = "出力先ディレクトリがありません";
inline constexpr const char* kFinishedMessage = "変換が終了しました";
inline constexpr const char* kStoppedMessage = "変換を中断しました";
inline constexpr const char* kConvertCaption = "変換";
inline constexpr const char* kCancelCaption = "キャンセル";

// The convert button's click. While a run is going on it only requests a stop. Otherwise it
// checks the fields (each failure: a message, the focus on the field, nothing else changed),
// reloads the logo, runs the walk (or goes through the host's file list; every file's outcome,
// a skipped one included, reaches the host's FileFinished) and reports its end; settings are saved
// only after a run that was not stopped. An error that escapes the walk leaves the window idle
// (FStop 1, caption "変換", progress 0) before it reaches the caller. A save that fails after a
// finished run is shown in the general error report, and the run's end is still reported.
void BitBtn1Click(RunHost& host);

}  // namespace quelmar
