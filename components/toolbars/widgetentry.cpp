#include "toolcombo_p.h"
#include "widgetentry_p.h"

#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>

namespace tav::toolbars {

WidgetEntry::WidgetEntry(const Tool& tool, QObject* parent) : QWidgetAction(parent), m_tool(tool) {
    setText(tool.caption);
    setToolTip(tool.tooltip.isEmpty() ? tool.description : tool.tooltip);
    setStatusTip(tool.description);
}

bool WidgetEntry::handles(ToolKind kind) {
    return kind == ToolKind::Combo || kind == ToolKind::Text || kind == ToolKind::Progress ||
           kind == ToolKind::Host;
}

QWidget* WidgetEntry::createWidget(QWidget* parent) {
    QWidget* w = nullptr;
    switch (m_tool.kind) {
    case ToolKind::Combo: {
        auto* combo = new ToolCombo(parent);
        combo->addItems(m_tool.items);
        connect(combo, &QComboBox::activated, this, &WidgetEntry::picked);
        w = combo;
        break;
    }
    case ToolKind::Text: {
        auto* edit = new QLineEdit(m_tool.text, parent);
        connect(edit, &QLineEdit::returnPressed, this, &WidgetEntry::picked);
        w = edit;
        break;
    }
    case ToolKind::Progress: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setMaximumSize(120, 16);
        w = bar;
        break;
    }
    case ToolKind::Host: {
        // Room for an application window; this program places none.
        auto* host = new QFrame(parent);
        host->setFrameShape(QFrame::StyledPanel);
        host->setMinimumSize(24, 16);
        w = host;
        break;
    }
    default:
        return nullptr;
    }
    if (m_tool.width > 0)
        w->setFixedWidth(m_tool.width);
    w->setObjectName(m_tool.name);
    // Widget tools are named by the tool's name, as a tool click reports it; the caption
    // describes them.
    w->setAccessibleName(m_tool.name);
    w->setAccessibleDescription(m_tool.displayName());
    w->setToolTip(toolTip());
    w->setStatusTip(statusTip());
    return w;
}

} // namespace tav::toolbars
