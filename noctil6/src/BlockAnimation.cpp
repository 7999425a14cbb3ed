#include "BlockAnimation.h"

#include "HostAccess.h"

#include <foundation/Block.h>

namespace noctil6 {

void animateWithDuration(double seconds, std::function<void()> changes) {
  objc::Ref block = ns::makeBlock<void()>([changes = std::move(changes)] { changes(); });
  ask<void>(classObject("UIView"), objc::sel<"animateWithDuration:animations:">(), seconds, block.get());
}

}  // namespace noctil6
