// The command runner against a bare pipe reader running the same child.
#pragma once

// Prints the runner's rows of the table; false when the child cannot run.
bool MeasureRunner();
