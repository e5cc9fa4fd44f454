#pragma once
// The component's customisation dialog: every toolbar to show or hide (with the
// built-in band tool among them), and the tool categories with their tools. Changes last
// for the running session only; nothing is saved.
#include <QDialog>

class QListWidget;

namespace tav::toolbars {

class ToolBars;

class CustomizeDialog : public QDialog {
    Q_OBJECT
  public:
    CustomizeDialog(ToolBars& bars, QWidget* parent);

    QListWidget* toolbarList() const { return m_toolbars; }
    QListWidget* categoryList() const { return m_categories; }
    QListWidget* commandList() const { return m_commands; }

    // Shows the tools of the category at `row` in the command list.
    void showCategory(int row);

  private:
    ToolBars& m_bars;
    QListWidget* m_toolbars;
    QListWidget* m_categories;
    QListWidget* m_commands;
};

} // namespace tav::toolbars
