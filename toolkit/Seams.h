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

// Windows calls a job's abort procedure again and again while the job
// spools; Wine calls it once, at StartDoc. With the environment variable
// WENDRASK_SEAM_SPOOL_EVENT naming an event, each job's call of the abort
// procedure goes on processing messages until that event is set (it resets
// itself) or two minutes pass, so that commands and ticks run inside the
// job as they may under Windows. Null without the variable.
void* SpoolReleaseEvent();

} // namespace Seams

#endif
