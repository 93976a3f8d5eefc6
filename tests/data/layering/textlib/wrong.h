#pragma once
#include <string>
#include "textlib/csv.h"
#include "script/value.h"
