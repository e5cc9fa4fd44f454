#pragma once
// A menu bar that shows widget tools (progress bars, window hosts, combo boxes) among its
// menu titles, each in its stored place. The platform's menu bar lays out only actions, so
// each widget tool is represented by a disabled stand-in action that the bar's own style
// sizes like the widget and leaves blank; the widget is placed over it.
//
// For assistive technology the bar is a menu bar whose children are, in stored order, a
// menu item per action and the widget tools themselves (named by their tool names).
#include <QHash>
#include <QMenuBar>

#include <memory>

class QStyleOptionMenuItem;

namespace tav::toolbars {

class ToolMenuBar : public QMenuBar {
    Q_OBJECT
  public:
    explicit ToolMenuBar(QWidget* parent = nullptr);
    ~ToolMenuBar() override;

    // Appends a widget tool after the entries added so far; the bar adopts the widget.
    void addWidgetTool(QWidget* widget);

    // The widget tool a stand-in action represents, or nullptr for a menu action.
    QWidget* widgetFor(const QAction* action) const;
    // The stand-in action of a widget tool, or nullptr.
    QAction* standInFor(const QWidget* widget) const;

    // The widget tool whose stand-in an item option draws, or nullptr (for the bar's style).
    QWidget* widgetForOption(const QStyleOptionMenuItem& option) const;
    // The size a widget tool asks for, within its limits.
    static QSize preferredSize(const QWidget* widget);

  protected:
    void actionEvent(QActionEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void placeWidgets();

    QHash<const QAction*, QWidget*> m_widgets; // stand-in -> widget tool
    QHash<QString, const QAction*> m_standIns; // stand-in text -> stand-in
    std::unique_ptr<QStyle> m_style;
};

} // namespace tav::toolbars
