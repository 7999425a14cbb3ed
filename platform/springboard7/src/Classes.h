// The registration of each group of home-screen classes, in the order
// registerClasses() runs them (superclasses first), and names shared between them.
#pragma once

#include <objcface/Types.h>

namespace sb7::detail {

// The identifier of the Missed mode's only section.
inline constexpr const char* kMissedSectionIdentifier = "SBNotificationsMissedModeSectionInfo";
// Reuse identifiers of the cells.
inline constexpr const char* kBulletinCellIdentifier = "SBNotificationsBulletinCell";
inline constexpr const char* kLockCellIdentifier = "SBLockScreenBulletinCell";

void registerBackdropClasses();
void registerSectionModelClasses();
void registerCellClasses();
void registerHeaderClasses();
void registerBulletinViewControllerClasses();
void registerModeClasses();
void registerNotificationCenterClasses();
void registerLockScreenListClasses();
void registerLockScreenClasses();
void registerApplicationClasses();

}  // namespace sb7::detail
