// The Settings app host: loads the device's preference bundle and runs a command
// script against its panes (src/PreferencesProgram.h).
#include "PreferencesProgram.h"

int main(int argc, char** argv) { return hosts::prefs::runPreferencesProgram(argc, argv); }
