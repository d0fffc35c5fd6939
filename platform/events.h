// The hook through which a long-running search lets the user interface
// process its pending events. Without a window it does nothing.
#pragma once

#include <functional>

namespace tamsel {

using TProcessMessagesHook = std::function<void()>;

// Installs the hook (an empty function removes it). Returns the previous one.
TProcessMessagesHook SetProcessMessagesHook(TProcessMessagesHook hook);

// Calls the hook, if any.
void ProcessMessages();

}  // namespace tamsel
