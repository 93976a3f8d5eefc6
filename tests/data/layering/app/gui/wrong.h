#pragma once
// The desktop shell reaches the log only through the application's facade.
#include <QWidget>
#include "app/core/application.h"
#include "app/controls/qt_text.h"
#include "platform/fs.h"
#include "logstore/scrap_list.h"
#include "app/core/kernel.h"
