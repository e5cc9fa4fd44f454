#include "mdiform1.h"

#include "layoutloader.h"
#include "messagebox.h"
#include "olecolor.h"
#include "units.h"

#include <QMdiArea>

namespace tav::barcheck {

MDIForm1::MDIForm1(const QString& layoutPath, QWidget* parent)
    : QMainWindow(parent), m_workspace(new QMdiArea(this)), m_toolBars1(nullptr) {
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("MDIForm1"));
    setAccessibleName(windowTitle());
    m_workspace->setBackground(tav::oleColor(tav::syscolor::ApplicationWorkspace));
    setCentralWidget(m_workspace);
    resize(tav::twipsSize(12840, 6570)); // client area; the system picks the position

    m_toolBars1 = new tav::toolbars::ToolBars(this);
    m_toolBars1->setObjectName(QStringLiteral("ToolBars1"));
    m_toolBars1->load(tav::toolbars::LayoutLoader::fromFile(layoutPath));
    connect(m_toolBars1, &tav::toolbars::ToolBars::toolClick, this, &MDIForm1::ToolBars1_ToolClick);
}

QString MDIForm1::clickMessage(const QString& toolText) {
    return QStringLiteral("you clicked ") + toolText +
           QStringLiteral(" it looks like the toolbars are working");
}

void MDIForm1::ToolBars1_ToolClick(const tav::toolbars::ToolClick& tool) {
    // The tool's name exactly as stored; no title, so the box carries the program's title.
    tav::MessageBox::show(clickMessage(tool.name), tav::mb::OKOnly);
}

} // namespace tav::barcheck
