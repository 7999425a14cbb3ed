#include "ListEditing.h"

#include "HostAccess.h"

#include <objcface/Encoding.h>
#include <uikit/UIKitTypes.h>

namespace noctil6 {
namespace {

using objc::sel;

BOOL canEditRow(id, SEL, id, id) { return NO; }
void commitEditingStyle(id, SEL, id, NSInteger, id) {}
BOOL recognizeSimultaneously(id, SEL, id, id) { return NO; }

// Adds one method unless the class's instances answer it already.  The type string
// follows the C types the table and gesture recogniser send with: a BOOL answer and
// an NSInteger editing style.
template <auto Fn, class R, class... Args>
void addUnlessAnswered(Class cls, SEL selector) {
  if (class_respondsToSelector(cls, selector)) return;
  class_addMethod(cls, selector, objc::toImp(Fn), objc::methodEncoding<R, Args...>().c_str());
}

}  // namespace

void addListEditingMethods() {
  Class cls = objc_lookUpClass("SBBulletinListController");
  if (cls == Nil) return;
  addUnlessAnswered<&canEditRow, BOOL, id, id>(cls, sel<"tableView:canEditRowAtIndexPath:">());
  addUnlessAnswered<&commitEditingStyle, void, id, NSInteger, id>(cls,
                                                                  sel<"tableView:commitEditingStyle:forRowAtIndexPath:">());
  if (isPad()) {
    addUnlessAnswered<&recognizeSimultaneously, BOOL, id, id>(
        cls, sel<"gestureRecognizer:shouldRecognizeSimultaneouslyWithGestureRecognizer:">());
  }
}

}  // namespace noctil6
