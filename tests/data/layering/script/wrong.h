#pragma once
#include "web/webaccess.h"
