#pragma once
// frmPL: the one window of propcheck. An explanation above a property list filled with
// one row of each kind; the window answers the list's callbacks, shows a message for
// the browse button, copies the drop-down and numeric rows into the custom-drawn row
// and paints that row itself.
#include "propertyhelp.h"
#include "propertylist.h"

#include <QWidget>

#include <memory>

class QLabel;

namespace tav {

class frmPL : public QWidget, public IPropEventSink {
    Q_OBJECT
public:
    // Creates the controls from their settings and runs Form_Load. Errors in Form_Load
    // are not trapped: they reach the program's run-time error report.
    explicit frmPL(QWidget* parent = nullptr);
    ~frmPL() override;

    QLabel* Label1 = nullptr;
    PropertyList* PropertyList1 = nullptr;

    // The callbacks that do work.
    void IPropEventSink_Browse(PropertyItem& iProp, QString& sFillWith);
    void IPropEventSink_ValueChanged(PropertyItem& iProp, QString& sNewValue, bool& Cancel);
    void IPropEventSink_DrawItem(PropertyItem& iProp, HDC hDC, int32_t lLeft, int32_t lTop, int32_t lRight,
                                 int32_t lBottom, int32_t lStartText, int32_t lStartValue);

    PropertyItem* lastProp() const { return m_LastProp; }

private:
    void Form_Load();

    // IPropEventSink. Browse, ValueChanged and DrawItem go to the handlers above; the
    // others leave every answer as passed.
    void KeyDownEdit(int16_t&, int16_t&) override {}
    void KeyPressEdit(int16_t&) override {}
    void KeyUpEdit(int16_t&, int16_t&) override {}
    void NeedData(PropertyItem&, StringArray&) override {}
    void SelChange(PropertyItem*, PropertyItem*) override {}
    void ValueChanged(PropertyItem& iProp, QString& sNewValue, bool& Cancel) override {
        IPropEventSink_ValueChanged(iProp, sNewValue, Cancel);
    }
    void PreDropWindow(PropertyItem&, int32_t&) override {}
    void QueryCustomData(PropertyItem&, QString&) override {}
    void QueryADOType(BoundField*&, int32_t&) override {}
    void QueryFieldFilter(BoundField*&, bool&) override {}
    void GetPredefinedStrings(PropertyItem&, StringArray&) override {}
    void DrawItem(PropertyItem& iProp, HDC hDC, int32_t lLeft, int32_t lTop, int32_t lRight, int32_t lBottom,
                  int32_t lStartText, int32_t lStartValue) override {
        IPropEventSink_DrawItem(iProp, hDC, lLeft, lTop, lRight, lBottom, lStartText, lStartValue);
    }
    void ShowEditControl(PropertyItem&, int32_t, int32_t, int32_t, int32_t, bool&) override {}
    void HideEditControl() override {}
    void Expand(PropertyItem&) override {}
    void Collapse(PropertyItem&) override {}
    void ODCommitPending(PropertyItem&) override {}
    void Browse(PropertyItem& iProp, QString& sFillWith) override { IPropEventSink_Browse(iProp, sFillWith); }
    void DropdownPick(PropertyItem&, int32_t) override {}
    void PreExpand(PropertyItem&) override {}

    std::unique_ptr<PropertyHelp> m_PropHelp;
    PropertyItem* m_LastProp = nullptr; // the row added last at load ("Custom Drawn")
};

} // namespace tav
