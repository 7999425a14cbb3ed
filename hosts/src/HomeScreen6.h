// The iOS 6 home screen adapter (HomeScreen6.cpp).
#pragma once

#include "HomeScreen.h"

namespace hosts {

std::unique_ptr<HomeScreen> makeHomeScreen6(const HomeScreenSettings& settings);

}  // namespace hosts
