#pragma once
// Test seam of the message boxes, linked into test binaries only (target
// tav_forms_testseams): a handler answers every box instead of the user.
#include "messagebox_p.h"

#include <utility>

namespace tav {

using MessageBoxHandler = detail::MessageBoxHandler;

// Installs a handler and returns the previous one.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// Installs a handler for the lifetime of the guard and restores the previous one.
class MessageBoxHandlerGuard {
  public:
    explicit MessageBoxHandlerGuard(MessageBoxHandler h)
        : m_prev(setMessageBoxHandler(std::move(h))) {}
    ~MessageBoxHandlerGuard() { setMessageBoxHandler(std::move(m_prev)); }
    MessageBoxHandlerGuard(const MessageBoxHandlerGuard&) = delete;
    MessageBoxHandlerGuard& operator=(const MessageBoxHandlerGuard&) = delete;

  private:
    MessageBoxHandler m_prev;
};

} // namespace tav
