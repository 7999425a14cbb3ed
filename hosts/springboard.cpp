// The home-screen host program: springboard --ios 7.x|6.x [options] (HostOptions.h).
#include "HostProgram.h"

int main(int argc, char** argv) { return hosts::runHostProgram(hosts::HostProgram::springboard, argc, argv); }
