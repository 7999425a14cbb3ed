// The Messages app host program: mobilesms [--device DIR] [--script FILE].
#include "HostProgram.h"

int main(int argc, char** argv) { return hosts::runHostProgram(hosts::HostProgram::mobilesms, argc, argv); }
