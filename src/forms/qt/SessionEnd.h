// The end of the user's session (SIGTERM, SIGHUP), brought to the event
// loop. The signal handler only writes a byte to a pipe, all it may safely
// do; the loop watches the pipe's other end and does the real work.
#pragma once

namespace forms::qt {

// Installs the handler once; without a pipe there is none.
void installSessionEndHandler();

// The end of the pipe to watch, or -1 when no handler is installed.
int sessionEndDescriptor();

// Reads what the handler wrote, so the pipe is quiet until the next signal.
void drainSessionEnd();

}  // namespace forms::qt
