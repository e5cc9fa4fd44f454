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

namespace tav::propcheck {

class frmPL : public QWidget, public propertylist::IPropEventSink {
    Q_OBJECT
  public:
    // Creates the controls from their settings and runs Form_Load. Errors in Form_Load
    // are not trapped: they reach the program's run-time error report.
    explicit frmPL(QWidget* parent = nullptr);
    ~frmPL() override;

    QLabel* Label1 = nullptr;
    propertylist::PropertyList* PropertyList1 = nullptr;

    // The callbacks that do work.
    void IPropEventSink_Browse(propertylist::PropertyItem& iProp, QString& sFillWith);
    void IPropEventSink_ValueChanged(propertylist::PropertyItem& iProp, QString& sNewValue,
                                     bool& Cancel);
    void IPropEventSink_DrawItem(propertylist::PropertyItem& iProp, HDC hDC, int32_t lLeft,
                                 int32_t lTop, int32_t lRight, int32_t lBottom, int32_t lStartText,
                                 int32_t lStartValue);

    propertylist::PropertyItem* lastProp() const { return m_LastProp; }

  private:
    void Form_Load();

    // IPropEventSink: the callbacks this window answers go to the handlers above; the
    // others keep the interface's default, which leaves every answer as passed.
    void ValueChanged(propertylist::PropertyItem& iProp, QString& sNewValue,
                      bool& Cancel) override {
        IPropEventSink_ValueChanged(iProp, sNewValue, Cancel);
    }
    void DrawItem(propertylist::PropertyItem& iProp, HDC hDC, int32_t lLeft, int32_t lTop,
                  int32_t lRight, int32_t lBottom, int32_t lStartText,
                  int32_t lStartValue) override {
        IPropEventSink_DrawItem(iProp, hDC, lLeft, lTop, lRight, lBottom, lStartText, lStartValue);
    }
    void Browse(propertylist::PropertyItem& iProp, QString& sFillWith) override {
        IPropEventSink_Browse(iProp, sFillWith);
    }

    std::unique_ptr<PropertyHelp> m_PropHelp;
    propertylist::PropertyItem* m_LastProp = nullptr; // the row added last at load ("Custom Drawn")
};

} // namespace tav::propcheck
