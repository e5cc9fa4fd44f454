#pragma once
// The callbacks a property list makes into its host. Arguments passed by reference
// are the host's answers; a host that leaves them alone keeps the list's defaults.
// A callback that throws is contained by the list, which carries on as if the host
// had left every answer alone. Every callback does nothing unless the host overrides it.
#include "gdihandle.h"
#include "variant.h"

#include <QString>

#include <cstdint>

namespace tav::propertylist {

class PropertyItem;

// A field of a recordset the list could be bound to. This list is never bound, so the
// two field callbacks are declared for hosts written against the full interface only.
class BoundField;

class IPropEventSink {
  public:
    virtual ~IPropEventSink() = default;

    // Keys in an in-place editor, as virtual-key codes and shift bits (1 Shift, 2 Ctrl,
    // 4 Alt). KeyCode or KeyAscii set to 0 swallows the key; a changed KeyAscii is
    // typed instead of the original character.
    virtual void KeyDownEdit(int16_t& /*KeyCode*/, int16_t& /*Shift*/) {}
    virtual void KeyPressEdit(int16_t& /*KeyAscii*/) {}
    virtual void KeyUpEdit(int16_t& /*KeyCode*/, int16_t& /*Shift*/) {}
    // A drop-down row without list entries is about to open; entries filled in are
    // stored as the row's entries.
    virtual void NeedData(PropertyItem& /*iProp*/, StringArray& /*sListItems*/) {}
    // The selected row changed; either may be null (no row).
    virtual void SelChange(PropertyItem* /*iPropOld*/, PropertyItem* /*iPropNew*/) {}
    // An edit is being committed; Cancel keeps the old value, a changed sNewValue is
    // stored instead of the edited text.
    virtual void ValueChanged(PropertyItem& /*iProp*/, QString& /*sNewValue*/, bool& /*Cancel*/) {}
    // A drop-down list is about to open (lColorType only means something for colour
    // rows, which this list does not have).
    virtual void PreDropWindow(PropertyItem& /*iProp*/, int32_t& /*lColorType*/) {}
    // The text a custom-drawn row stands for, where the list needs it as text (tool tip,
    // accessible value, painting when the host did not paint).
    virtual void QueryCustomData(PropertyItem& /*iProp*/, QString& /*sDisplayValue*/) {}
    virtual void QueryADOType(BoundField*& /*fld*/, int32_t& /*NewType*/) {}
    virtual void QueryFieldFilter(BoundField*& /*fld*/, bool& /*Exclude*/) {}
    // The strings a drop-down row offers, starting from its entries' texts.
    virtual void GetPredefinedStrings(PropertyItem& /*iProp*/, StringArray& /*sStrings*/) {}
    // Paint a custom-drawn row. The context is clipped to the list's viewport, not to
    // the row: (lLeft, lTop)-(lRight, lBottom) is the row, lStartText the x of the label
    // text, lStartValue the x of the value column.
    virtual void DrawItem(PropertyItem& /*iProp*/, HDC /*hDC*/, int32_t /*lLeft*/, int32_t /*lTop*/,
                          int32_t /*lRight*/, int32_t /*lBottom*/, int32_t /*lStartText*/,
                          int32_t /*lStartValue*/) {}
    // An in-place editor is about to show at this rectangle; bUseIntrinsic = false keeps
    // the list's editor hidden (the host edits the row itself).
    virtual void ShowEditControl(PropertyItem& /*iProp*/, int32_t /*lLeft*/, int32_t /*lTop*/,
                                 int32_t /*lWidth*/, int32_t /*lHeight*/, bool& /*bUseIntrinsic*/) {
    }
    virtual void HideEditControl() {}
    virtual void Expand(PropertyItem& /*iProp*/) {}
    virtual void Collapse(PropertyItem& /*iProp*/) {}
    // An edit of a custom-drawn row reaches a commit point; a host editing the row
    // itself writes the value now.
    virtual void ODCommitPending(PropertyItem& /*iProp*/) {}
    // The "..." button of a browse row; a changed sFillWith becomes the value.
    virtual void Browse(PropertyItem& /*iProp*/, QString& /*sFillWith*/) {}
    // An entry was picked from a drop-down or Boolean list (0-based).
    virtual void DropdownPick(PropertyItem& /*iProp*/, int32_t /*lListIndex*/) {}
    // A header is about to expand.
    virtual void PreExpand(PropertyItem& /*iProp*/) {}
};

} // namespace tav::propertylist
