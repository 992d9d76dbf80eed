// The test build's heap for the module: the C run-time's, with every block
// the module holds counted, so a test can tell what it leaked or released
// twice.
#pragma once

// Blocks the module has allocated and not yet released.
int LiveBlocks();
// Releases of a block the module did not hold (twice released, or foreign).
int StrayFrees();
