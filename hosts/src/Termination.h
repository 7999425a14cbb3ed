// Clean termination of a host program: SIGTERM, SIGINT and SIGHUP set a flag and
// wake the main run loop (through a pipe watched as a run-loop source), so whatever
// the program is serving returns and the program exits normally, releasing what it
// holds.  The signal handler itself only writes one byte.
#pragma once

namespace hosts {

// Installs the handlers and adds the wake-up source to the main run loop.  Call once,
// on the main thread, before serving the run loop.
void watchForTermination();

// Whether a termination signal has arrived.
bool terminationRequested();

}  // namespace hosts
