#pragma once
#include <QString>
#include "app/gui/main_window.h"
