// The quietest possible 3.x host, as BenchHost is for 1.x: every service
// answers at once, menus are cancelled, boxes closed. It also notes when it
// was asked to show a menu, which inside a pass is where the load ends.
#pragma once

#include "../src/far3/Far3Host.h"

Far3::PluginStartupInfo BenchStartupInfo3();

// NowMs() at the last Menu call.
double LastMenuMs();
