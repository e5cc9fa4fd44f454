#pragma once
// A host for the property list tests: records every callback as one line of text and
// gives the answers a test sets.
#include "printers.h"
#include "propertyitem.h"
#include "propeventsink.h"

#include <QRegularExpression>
#include <QStringList>

#include <functional>
#include <optional>

namespace tav::test {

class RecordingSink : public propertylist::IPropEventSink {
  public:
    QStringList calls;
    std::optional<QString> fillWith;       // Browse answer
    std::optional<QString> replaceValue;   // ValueChanged answer
    bool cancel = false;                   // ValueChanged answer
    bool useIntrinsic = true;              // ShowEditControl answer
    std::optional<int16_t> keyAscii;       // KeyPressEdit answer
    std::optional<int16_t> keyDownCode;    // KeyDownEdit answer
    QStringList needData;                  // NeedData answer
    std::optional<QStringList> predefined; // GetPredefinedStrings answer
    bool throwEverywhere = false;
    std::function<void(propertylist::PropertyItem&, HDC, int, int, int, int, int, int)> draw;
    std::function<void(propertylist::PropertyItem&)> commitPending; // runs inside ODCommitPending

    QStringList named(const QString& prefix) const {
        return calls.filter(QRegularExpression("^" + prefix + "\\b"));
    }

    void KeyDownEdit(int16_t& KeyCode, int16_t& Shift) override {
        log(QString("KeyDownEdit %1 %2").arg(KeyCode).arg(Shift));
        if (keyDownCode && KeyCode == 13)
            KeyCode = *keyDownCode;
    }
    void KeyPressEdit(int16_t& KeyAscii) override {
        log(QString("KeyPressEdit %1").arg(KeyAscii));
        if (keyAscii && KeyAscii >= 32)
            KeyAscii = *keyAscii;
    }
    void KeyUpEdit(int16_t& KeyCode, int16_t& Shift) override {
        log(QString("KeyUpEdit %1 %2").arg(KeyCode).arg(Shift));
    }
    void NeedData(propertylist::PropertyItem& iProp, StringArray& sListItems) override {
        log("NeedData " + iProp.caption());
        for (const QString& s : needData)
            sListItems.append(s);
    }
    void SelChange(propertylist::PropertyItem* iPropOld,
                   propertylist::PropertyItem* iPropNew) override {
        log(QString("SelChange %1 -> %2")
                .arg(iPropOld ? iPropOld->caption() : "-", iPropNew ? iPropNew->caption() : "-"));
    }
    void ValueChanged(propertylist::PropertyItem& iProp, QString& sNewValue,
                      bool& Cancel) override {
        log(QString("ValueChanged %1 = %2").arg(iProp.caption(), sNewValue));
        if (replaceValue)
            sNewValue = *replaceValue;
        Cancel = cancel;
    }
    void PreDropWindow(propertylist::PropertyItem& iProp, int32_t&) override {
        log("PreDropWindow " + iProp.caption());
    }
    void QueryCustomData(propertylist::PropertyItem& iProp, QString&) override {
        log("QueryCustomData " + iProp.caption());
    }
    void QueryADOType(propertylist::BoundField*&, int32_t&) override { log("QueryADOType"); }
    void QueryFieldFilter(propertylist::BoundField*&, bool&) override { log("QueryFieldFilter"); }
    void GetPredefinedStrings(propertylist::PropertyItem& iProp, StringArray& sStrings) override {
        log("GetPredefinedStrings " + iProp.caption());
        if (predefined)
            sStrings = StringArray(0, std::vector<QString>(predefined->begin(), predefined->end()));
    }
    void DrawItem(propertylist::PropertyItem& iProp, HDC hDC, int32_t l, int32_t t, int32_t r,
                  int32_t b, int32_t st, int32_t sv) override {
        log("DrawItem " + iProp.caption());
        if (draw)
            draw(iProp, hDC, l, t, r, b, st, sv);
    }
    void ShowEditControl(propertylist::PropertyItem& iProp, int32_t, int32_t, int32_t, int32_t,
                         bool& bUseIntrinsic) override {
        log("ShowEditControl " + iProp.caption());
        bUseIntrinsic = useIntrinsic;
    }
    void HideEditControl() override { log("HideEditControl"); }
    void Expand(propertylist::PropertyItem& iProp) override { log("Expand " + iProp.caption()); }
    void Collapse(propertylist::PropertyItem& iProp) override {
        log("Collapse " + iProp.caption());
    }
    void ODCommitPending(propertylist::PropertyItem& iProp) override {
        log("ODCommitPending " + iProp.caption());
        if (commitPending)
            commitPending(iProp);
    }
    void Browse(propertylist::PropertyItem& iProp, QString& sFillWith) override {
        log(QString("Browse %1 = %2").arg(iProp.caption(), sFillWith));
        if (fillWith)
            sFillWith = *fillWith;
    }
    void DropdownPick(propertylist::PropertyItem& iProp, int32_t lListIndex) override {
        log(QString("DropdownPick %1 %2").arg(iProp.caption()).arg(lListIndex));
    }
    void PreExpand(propertylist::PropertyItem& iProp) override {
        log("PreExpand " + iProp.caption());
    }

  private:
    void log(const QString& line) {
        calls << line;
        if (throwEverywhere)
            throw VbError::standard(err::InvalidProcedureCall);
    }
};

} // namespace tav::test
