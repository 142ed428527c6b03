#pragma once
// Faults that cannot be caused for real, for test programs only. Without
// WENDRASK_TEST_SEAMS this header declares nothing and Seams.cpp is empty,
// so the shipped program has no seam and reads nothing to enable one.
#ifdef WENDRASK_TEST_SEAMS

namespace Seams {

// The next Count stretch draws on the printer canvas fail as a failing GDI
// call would (ERROR_NOT_ENOUGH_MEMORY). A test build of the whole program
// takes the count from the environment variable WENDRASK_SEAM_FAIL_DRAW
// instead, read at the first stretch draw.
void FailNextStretchDraws(int Count);

// Called by the canvas before each stretch draw: true when this one fails.
bool TakeStretchDrawFailure();

} // namespace Seams

#endif
