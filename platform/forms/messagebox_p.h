#pragma once
// Internal to the windowing layer, not part of its interface: the handler that answers
// message boxes in place of the user. Only the test seams (tests/support/
// messagebox_testseams.h) set it; in the programs it stays empty.
#include "messagebox.h"

#include <functional>

namespace tav::detail {

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;
MessageBoxHandler& messageBoxHandler();

} // namespace tav::detail
