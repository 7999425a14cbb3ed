// Commands from standard input: a reader thread collects whole lines and wakes the
// main run loop, which runs them in order between serving everything else (so
// notifications and other processes' work keep flowing while the program waits for
// the next line).  A command that serves the run loop itself (wait) never has the
// next line run inside it.
#pragma once

#include "ScenarioRunner.h"

namespace hosts {

// Runs lines until standard input ends or the program is asked to terminate.
void runStandardInput(ScenarioRunner& runner);

}  // namespace hosts
