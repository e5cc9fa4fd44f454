#pragma once
// A band entry shown as a widget (combo box, text field, progress bar, window host).
// The widget is created per placement, so the entry shows on its band, in a toolbar's
// overflow menu and in a menu alike. Its accessible name is the tool's name.
#include "tool.h"

#include <QWidgetAction>

namespace tav::toolbars {

class WidgetEntry : public QWidgetAction {
    Q_OBJECT
  public:
    WidgetEntry(const Tool& tool, QObject* parent);

    // Whether a tool of this kind is shown through a WidgetEntry.
    static bool handles(ToolKind kind);

  signals:
    // A pick in a combo box or Enter in a text field.
    void picked();

  protected:
    QWidget* createWidget(QWidget* parent) override;

  private:
    const Tool& m_tool;
};

} // namespace tav::toolbars
