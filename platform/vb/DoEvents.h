#pragma once
// Serving the event loop from inside long loops, as VB's DoEvents.

namespace vb {

// Processes pending events when an application object exists.
void DoEvents();

// Processes events only when at least minSeconds passed since the last time
// it did, so a loop over a million records is not slowed by drawing. The
// first call always processes.
void DoEventsThrottled(double minSeconds = 0.05);

} // namespace vb
