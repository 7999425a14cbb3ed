// The iOS 7 home screen adapter (HomeScreen7.cpp).
#pragma once

#include "HomeScreen.h"

namespace hosts {

std::unique_ptr<HomeScreen> makeHomeScreen7();

}  // namespace hosts
