#pragma once
// Whether a compiled script can reach its folders: the site folder, the data
// folder's log root and page cache, or any file. A run that cannot needs
// none of them on disk (the CLI's exec then makes no temporary folder).
#include "script/instructions.h"

namespace bq::builtins {

// True when some instruction reads or writes a file (LOADF, SAVEF,
// DELETEFILE, RENAMEFILE), fetches (the page cache, DOWNLOAD), reaches the
// article log (PUTLOG, UNPACK, LOGDEL, LOGREMOVE, LOGSORT, @TOPICS), reads
// @DATAFOLDER, or sets or reads the article's LINK (the log mark expands to
// the log root). Any builtin or sub-operation not known to stay in memory
// counts as reaching them.
bool ReachesFolders(const script::TCodeImage& code);

}  // namespace bq::builtins
