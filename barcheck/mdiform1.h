#pragma once
// MDIForm1: the multiple-document frame of barcheck. Its whole client area belongs to
// the menu and toolbar component ToolBars1, loaded with the stored layout; every tool
// click is answered with a message box naming the tool.
#include "toolbars.h"

#include <QMainWindow>

class QMdiArea;

namespace tav::barcheck {

class MDIForm1 : public QMainWindow {
    Q_OBJECT
  public:
    // The layout built into the program: the compact form of layout/toolbars1.xml.
    static QString storedLayout() { return QStringLiteral(":/barcheck/toolbars1.layout"); }

    // Creates the window and ToolBars1 from `layoutPath`; a layout the component refuses
    // raises its VbError and the window does not load.
    explicit MDIForm1(const QString& layoutPath = storedLayout(), QWidget* parent = nullptr);

    tav::toolbars::ToolBars* ToolBars1() const { return m_toolBars1; }
    QMdiArea* workspace() const { return m_workspace; }

    // "you clicked " + the tool's text + " it looks like the toolbars are working".
    static QString clickMessage(const QString& toolText);

  public slots:
    void ToolBars1_ToolClick(const tav::toolbars::ToolClick& tool);

  private:
    QMdiArea* m_workspace;
    tav::toolbars::ToolBars* m_toolBars1;
};

} // namespace tav::barcheck
