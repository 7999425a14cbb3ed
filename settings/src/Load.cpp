// The bundle's load-time initialiser: registers the pane classes when the Settings
// app maps the bundle, each after the class it builds on.
#include "NoctilListController.h"

namespace noctil::settings {
namespace {

struct Registration {
  Registration() {
    objc::AutoreleasePool pool;
    NoctilListControllerClass();
    NoctilSettingsClass();
    MoreAppsControllerClass();
    registerOptionPanes();
    registerPickerPanes();
  }
};

[[maybe_unused]] const Registration kRegistration;

}  // namespace
}  // namespace noctil::settings
