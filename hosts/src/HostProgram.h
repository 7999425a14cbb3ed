// The start-up and main loop shared by the host programs (springboard.cpp and
// mobilesms.cpp): the command line, the device root, the bundle identifier, the
// program's classes, the tweak loader, then the scenario (a script file, standard
// input, or nothing: serve until terminated).
#pragma once

#include "HomeScreen.h"
#include "HostOptions.h"

namespace hosts {

// Runs a host program with argv; answers its exit status (ScenarioRunner.h).
int runHostProgram(HostProgram program, int argc, char** argv);

}  // namespace hosts
