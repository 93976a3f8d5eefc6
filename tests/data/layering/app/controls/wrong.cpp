// A control converts text through the shell's helpers, not the text library.
#include "app/controls/qt_text.h"
#include "textlib/cp932.h"
