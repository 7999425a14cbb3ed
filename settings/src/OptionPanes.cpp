// The sub-panes that only show option rows: each loads its own property list.
#include "NoctilListController.h"

namespace noctil::settings {

namespace {

template <objc::FixedString Plist>
Class optionPane(const char* name) {
  return objc::ClassBuilder<NoctilListControllerIvars>(name, NoctilListControllerClass())
      .method<&paneSpecifiers<Plist>>("specifiers")
      .registerClass();
}

}  // namespace

void registerOptionPanes() {
  optionPane<"SwipeToDelete">("SwipeToDeleteController");
  optionPane<"ClearSection">("ClearSectionController");
  optionPane<"NoNotificationsText">("NoNotificationsTextController");
  optionPane<"SwipeToDelete7">("SwipeToDeleteController7");
  optionPane<"Backgrounder7">("BGController7");
  optionPane<"BGSettings7">("BGSettings7");
}

}  // namespace noctil::settings
