#pragma once
// Modal message boxes with the language's button and icon flags. A headless run answers
// every box without showing it, so nothing ever hangs.
#include <QString>

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
    // Shows a modal box and returns the button pressed. On the offscreen platform the box
    // is written to standard error and answered with OK.
    static int show(const QString& prompt, int buttons = mb::OKOnly, const QString& caption = {});
};

} // namespace tav
