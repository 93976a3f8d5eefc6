#include "logstore/scrap_list.h"
#include "platform/fs.h"
