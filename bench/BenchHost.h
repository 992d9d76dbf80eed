// The quietest possible host: every service answers at once, menus are
// cancelled, boxes closed. What is left to measure is the module's own work.
#pragma once

#include "../src/far1/Host.h"

PluginStartupInfo BenchStartupInfo();
