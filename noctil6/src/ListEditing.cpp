#include "ListEditing.h"

#include "HostAccess.h"

#include <objcface/Encoding.h>
#include <uikit/UIKitTypes.h>

namespace noctil6 {
namespace {

using objc::sel;

// The table's data-source methods carry the type strings they have on the device
// ("i@:@@" and "v@:@i@": an int answer and an int editing style), and the table asks
// and tells them in those types.
int canEditRow(id, SEL, id, id) { return 0; }
void commitEditingStyle(id, SEL, id, int, id) {}
// The gesture delegate's answer is a BOOL: gesture recognisers ask it as one, and a
// method declared with an int answer would not be reached the way it is declared.
BOOL recognizeSimultaneously(id, SEL, id, id) { return NO; }

// Adds one method unless the class's instances answer it already.
void addUnlessAnswered(Class cls, SEL selector, IMP implementation, const char* types) {
  if (class_respondsToSelector(cls, selector)) return;
  class_addMethod(cls, selector, implementation, types);
}

}  // namespace

void addListEditingMethods() {
  Class cls = objc_lookUpClass("SBBulletinListController");
  if (cls == Nil) return;
  addUnlessAnswered(cls, sel<"tableView:canEditRowAtIndexPath:">(), objc::toImp(&canEditRow), "i@:@@");
  addUnlessAnswered(cls, sel<"tableView:commitEditingStyle:forRowAtIndexPath:">(), objc::toImp(&commitEditingStyle),
                    "v@:@i@");
  if (isPad()) {
    addUnlessAnswered(cls, sel<"gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:">(),
                      objc::toImp(&recognizeSimultaneously), objc::methodEncoding<BOOL, id, id>().c_str());
  }
}

}  // namespace noctil6
