// The runtime classes of the iOS 6 home screen, registered by sb6::registerClasses()
// (HostControl.h), with the C types of their methods as the runtime records them.
// Code outside the home screen reaches them only by name and message send.
//
// Which class defines and which only inherits each method a tweak replaces is stated
// with the class: a replacement installed in place on an inherited method acts for
// the superclass and every class that inherits it.
//
// (Each group below is completed by the files that register it; see src/Classes.h.)
#pragma once

#include <springboard6/HostControl.h>
