// The test build's heap for the module: the C run-time's, with every block
// the module holds counted and guarded (CountedHeap.h), so a test can tell
// what it leaked, released twice or wrote past the end of.
#pragma once

// Blocks the module has allocated and not yet released.
int LiveBlocks();
// Releases of a block the module did not hold (twice released, or foreign).
int StrayFrees();
// Released blocks the module had written past the end of.
int WritesPastABlock();
