#pragma once
// The system's Shift_JIS texts where they meet Unicode at the shell's edge:
// the desktop shell converts through these and sees nothing of the text
// library itself.
#include "textlib/cp932.h"

namespace bq::app {

using ::bq::SjisToUtf8;
using ::bq::Utf8ToSjis;

}  // namespace bq::app
