#pragma once
// Accessible interface of a toolbar button whose popup belongs to its action (a drop-down
// tool, or a tool that only opens a popup). The platform's tool-button interface offers a
// popup only when the menu is the button's own, so assistive technology could neither
// open these popups nor reach their entries.
//
// It offers "show menu" (and "press" for a drop-down tool's main part) and has the popup
// as its one child. "Show menu" opens the popup as a mouse press on the arrow would, but
// after the call has returned: the popup runs its own event loop until it closes, and the
// caller must not wait for that.
class QToolButton;

namespace tav::toolbars {

// Gives `button` this interface. Call it once the button has its action.
void usePopupToolAccessible(QToolButton* button);

} // namespace tav::toolbars
