#pragma once
// Modal message boxes with the language's button and icon flags. A seam lets tests
// (and any headless run) answer boxes without showing them, so nothing ever hangs.
#include <QString>

#include <functional>

namespace tav {

namespace mb {
inline constexpr int OKOnly = 0;
inline constexpr int OKCancel = 1;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
inline constexpr int OK = 1; // the answer of the OK button
} // namespace mb

struct MessageBoxRequest {
    QString prompt;
    int buttons = mb::OKOnly;
    QString caption; // the program's title when the caller gave none
};

class MessageBox {
public:
    using Handler = std::function<int(const MessageBoxRequest&)>;

    // Shows a modal box and returns the button pressed. With a handler installed the
    // handler answers instead. On the offscreen platform without a handler the box is
    // written to standard error and answered with OK.
    static int show(const QString& prompt, int buttons = mb::OKOnly, const QString& caption = {});

    // Installs a handler and returns the previous one.
    static Handler setHandler(Handler handler);
};

// Installs a handler for the lifetime of the guard and restores the previous one.
class MessageBoxHandlerGuard {
public:
    explicit MessageBoxHandlerGuard(MessageBox::Handler h) : m_prev(MessageBox::setHandler(std::move(h))) {}
    ~MessageBoxHandlerGuard() { MessageBox::setHandler(std::move(m_prev)); }
    MessageBoxHandlerGuard(const MessageBoxHandlerGuard&) = delete;
    MessageBoxHandlerGuard& operator=(const MessageBoxHandlerGuard&) = delete;

private:
    MessageBox::Handler m_prev;
};

} // namespace tav
