#include "ListEditing.h"

#include "HostAccess.h"
#include "Options.h"
#include "Removal.h"

#include <objcface/Encoding.h>
#include <uikit/UIKitTypes.h>

namespace noctil6 {
namespace {

using objc::sel;

// Confirm mode: Notification Center's rows are deleted through the table's own swipe
// and its Delete confirmation.
bool confirmMode() {
  const Options& o = options();
  return o.noctilEnabled && o.swipeToDelete && o.sdRequireConfirm;
}

// The table's data-source methods carry the type strings they have on the device
// ("i@:@@" and "v@:@i@": an int answer and an int editing style), and the table asks
// and tells them in those types.

// A row may be deleted when it shows a notification that may be cleared (a widget's
// row shows none).
int canEditRow(id self, SEL, id, id indexPath) {
  if (!confirmMode()) return 0;
  id notification = ask(self, sel<"_bulletinAtIndexPath:">(), indexPath);
  return notification != nil && ask<BOOL>(notification, sel<"clearable">()) ? 1 : 0;
}

// The confirmed Delete: whatever the editing style, the row's notification goes.
void commitEditingStyle(id self, SEL, id, int, id indexPath) {
  if (!confirmMode()) return;
  deleteConfirmedNotification(ask(self, sel<"_bulletinAtIndexPath:">(), indexPath));
}

// The gesture delegate's answer is a BOOL: gesture recognisers ask it as one, and a
// method declared with an int answer would not be reached the way it is declared.
// On an iPad the list's own pan and the table's swipe run together.
BOOL recognizeSimultaneously(id self, SEL, id first, id second) {
  if (!confirmMode()) return NO;
  id listView = ask(self, sel<"listView">());
  id table = ask(listView, sel<"tableView">());
  return listView != nil && ask(first, sel<"view">()) == listView &&
                 isKindOfClassNamed(first, "UIPanGestureRecognizer") && table != nil &&
                 ask(second, sel<"view">()) == table && isKindOfClassNamed(second, "UISwipeGestureRecognizer")
             ? YES
             : NO;
}

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
