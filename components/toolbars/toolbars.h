#pragma once
// The menu and toolbar component: built from a stored layout, it places every band in a
// main window itself (the menu bar, toolbars docked on any side, the status band at the
// bottom, popup menus opened from the tools that link to them) and reports tool clicks.
// Every band shows its entries in stored order, a menu bar's widget tools included.
//
// Every band entry is its own object, so one tool may stand twice on a band and its
// entries may differ. What raises toolClick: a button or menu entry, the main part of a
// drop-down button, a pick in a combo box, Enter in a text field, and a keyboard shortcut
// (one click per press, see ShortcutMap). A tool that only opens a popup, progress bars,
// window hosts and the component's own built-in tools raise none.
#include "layout.h"
#include "shortcutmap.h"

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;
class QWidget;

namespace tav::toolbars {

class CustomizeDialog;

// What the host learns about a clicked tool.
struct ToolClick {
    QString name;
    QString caption;
    uint32_t id = 0;
    ToolKind kind = ToolKind::Button;
    QString band; // the band the entry stands on
};

class ToolBars : public QObject {
    Q_OBJECT
  public:
    explicit ToolBars(QMainWindow* frame);
    ~ToolBars() override;

    // Builds every band into the frame. Call once.
    void load(Layout layout);

    const Layout& layout() const { return m_layout; }
    QMainWindow* frame() const { return m_frame; }

    // The frame's menu bar, or a child menu bar (built on first request; child menu bars
    // show only while a child window of their kind is active).
    QMenuBar* menuBar(const QString& band);
    QToolBar* toolBar(const QString& band) const;
    QStatusBar* statusBand() const { return m_status; }
    // The one popup menu of a popup band, shared by every entry that opens it.
    QMenu* popup(const QString& band);

    // The entry objects of a band in display order (popups are filled on first need).
    QList<QAction*> entries(const QString& band);
    // The tool an entry object shows, and the band it stands on.
    const Tool* toolOf(const QAction* entry) const;
    QString bandOf(const QAction* entry) const;

    // Whether a toolbar or the status band is shown (not hidden by the tester).
    bool isBandShown(const QString& band) const;
    void setBandShown(const QString& band, bool shown);

    // Clicks the entry a key press selects; false when no entry carries the key.
    bool pressShortcut(const QKeySequence& key);
    const ShortcutMap& shortcuts() const { return *m_shortcuts; }

    // The menu offered on a right click in the bar area: every toolbar to show or hide,
    // then the built-in "&Customize...".
    QMenu* createBarMenu(QWidget* parent);
    // Opens (non-modally) the customisation dialog, and returns it.
    CustomizeDialog* customize();

    QIcon iconFor(const Tool& tool);

  signals:
    void toolClick(const tav::toolbars::ToolClick& tool);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildToolBar(int band);
    void buildStatusBand(int band);
    QMenuBar* buildMenuBar(int band);
    void fillMenu(QMenu* menu, int band);
    QAction* makeEntry(int band, int entry, QWidget* container, bool inMenu);
    void emitClick(int band, int entry);
    // Whether (band, entry) names an entry of the loaded layout.
    bool validEntry(int band, int entry) const;
    QWidget* bandWidget(int band) const;

    QMainWindow* m_frame;
    Layout m_layout;
    std::unique_ptr<ShortcutMap> m_shortcuts;
    QHash<int, QWidget*> m_barWidgets;        // toolbars and the status band, by band index
    QHash<int, QMenuBar*> m_menuBars;         // by band index
    QHash<int, QMenu*> m_popups;              // by band index
    QHash<int, QList<QAction*>> m_ownEntries; // entries of bands not read from a widget
    QHash<int, QIcon> m_icons;
    QStatusBar* m_status = nullptr;
    int m_frameMenuBar = -1;
    QPointer<CustomizeDialog> m_customize;
};

} // namespace tav::toolbars

Q_DECLARE_METATYPE(tav::toolbars::ToolClick)
