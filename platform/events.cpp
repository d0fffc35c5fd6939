#include "platform/events.h"

#include <utility>

namespace tamsel {

namespace {
TProcessMessagesHook& Hook() {
  static TProcessMessagesHook hook;
  return hook;
}
}  // namespace

TProcessMessagesHook SetProcessMessagesHook(TProcessMessagesHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

void ProcessMessages() {
  if (Hook()) Hook()();
}

}  // namespace tamsel
