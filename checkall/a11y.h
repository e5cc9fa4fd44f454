#pragma once
// A small C++ face on the AT-SPI client library: accessible objects with their names,
// roles, states, actions, texts and tables, read afresh from the program on every call
// (no cache), and bounded waits for a state of the tree.
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

typedef struct _AtspiAccessible AtspiAccessible;

namespace checkall {

// Connects to the accessibility bus of the current display and session bus.
void initAccessibility(int callTimeoutMs);
void shutdownAccessibility();
// Lets the library handle what arrived on the bus.
void pumpEvents();
// How long one call to a program may take before it counts as unanswered.
void setCallTimeout(int ms);
int callTimeout();

class Node {
  public:
    Node() = default;
    explicit Node(AtspiAccessible* adopted) : m_p(adopted) {}
    ~Node();
    Node(const Node& other);
    Node& operator=(const Node& other);
    Node(Node&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    Node& operator=(Node&& other) noexcept;

    static Node desktop();
    explicit operator bool() const { return m_p != nullptr; }
    // Makes every later read of this application's objects ask the program.
    void uncached() const;

    QString name() const;
    QString roleName() const;
    int role() const; // AtspiRole
    int processId() const;
    int childCount() const;
    Node child(int index) const;
    std::vector<Node> children() const;
    Node parent() const;

    bool showing() const;           // shown on screen (visible and showing)
    bool hasState(int state) const; // AtspiStateType
    QRect extents() const;          // screen pixels; empty when unknown

    QStringList actions() const;
    // Performs the first action whose name is one of `names` (case ignored).
    bool act(const QStringList& names) const;
    bool grabFocus() const;

    QString text() const; // the Text interface's whole text
    int rows() const;     // Table interface, -1 when there is none
    int columns() const;
    Node cell(int row, int column) const;
    QString columnHeader(int column) const;

    // First shown object below this one (this one included) that matches, depth first.
    Node find(const std::function<bool(const Node&)>& matches, int maxDepth = 40) const;
    // Every shown object below this one that matches.
    void findAll(const std::function<bool(const Node&)>& matches, std::vector<Node>& out,
                 int maxDepth = 40) const;

    bool operator==(const Node& other) const { return m_p == other.m_p; }
    AtspiAccessible* raw() const { return m_p; }

  private:
    AtspiAccessible* m_p = nullptr;
};

// Role numbers of the library, named for the checks.
namespace role {
extern const int Frame, Dialog, Alert, PushButton, Label, MenuBar, Menu, MenuItem, ToolBar,
    ComboBox, List, ListItem, Table, TableCell, Text, Entry, Window, StatusBar, ProgressBar, Filler,
    Panel, CheckBox, Row, PopupMenu;
} // namespace role

// Sends one key press and release to the focused window (an X key symbol).
bool pressKey(unsigned long keysym);
// Types `text` into the focused control.
bool typeText(const QString& text);

} // namespace checkall
