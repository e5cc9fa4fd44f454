#pragma once
// Window settings the stored forms use, mapped to what this desktop offers.
#include <QWidget>

namespace tav {

enum class BorderStyle {
    Sizable,        // the default frame
    FixedDialog,    // fixed size, close box only, not in the task bar
    FixedToolWindow // fixed size, close box only, tool-window hints
};

// Applies the border style and a fixed client size in twips.
void applyFormStyle(QWidget* form, BorderStyle style, int clientWidthTwips, int clientHeightTwips);

// Centres a top-level window on its screen.
void centerOnScreen(QWidget* form);

// Closing this window ends the program, also for tool windows (which the toolkit does
// not count as main windows) and for dialogs.
void endProgramOnClose(QWidget* form);

// Places a child control at a rectangle in twips.
void placeTwips(QWidget* control, int left, int top, int width, int height);

// Gives every widget below `root` an accessible name: its caption or text, else its
// object (control) name. Names already set are kept.
void applyAccessibleNames(QWidget* root);

} // namespace tav
