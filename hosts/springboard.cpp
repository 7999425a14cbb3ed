// The home-screen host program: springboard --ios 7.x [--device DIR] [--script FILE].
#include "HostProgram.h"

int main(int argc, char** argv) { return hosts::runHostProgram(hosts::HostProgram::springboard, argc, argv); }
