#pragma once
// What the checks hold of the accessibility tree: nodes with their names, roles, states,
// actions, texts and tables, read afresh on every call (no cache), the bus they come from,
// and the time one call and one step may take.
#include "element.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace checkall {

// The bus every later call goes through (not owned); null leaves the checks without one.
void useBus(AccessBus* bus);
// Lets the bus handle what arrived.
void pumpEvents();
// Sends one key press and release to the focused window (an X key symbol).
bool pressKey(unsigned long keysym);
// Types `text` into the focused control.
bool typeText(const QString& text);

// How long one call to a program may take before it counts as unanswered.
void setCallTimeout(int ms);
int callTimeout();
// What the next call may take: the call timeout, cut to what is left of the step under way;
// 0 once the step is over (the call then fails at once).
int callLimitMs();

// Sets the call timeout for its scope and restores the one before, on every way out.
class ScopedCallTimeout {
  public:
    explicit ScopedCallTimeout(int ms);
    ~ScopedCallTimeout();
    ScopedCallTimeout(const ScopedCallTimeout&) = delete;
    ScopedCallTimeout& operator=(const ScopedCallTimeout&) = delete;

  private:
    int m_before;
};

// One step of a check: every wait and every call made in its scope counts against its one
// limit. Steps nest: the inner one replaces the outer while it lasts.
class Step {
  public:
    explicit Step(int limitMs);
    ~Step();
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

    // The step under way, or null.
    static const Step* current();
    int limitMs() const { return m_limitMs; }
    int remainingMs() const;

  private:
    int m_limitMs;
    std::chrono::steady_clock::time_point m_end;
    const Step* m_outer;
};

class Node {
  public:
    Node() = default;
    explicit Node(std::shared_ptr<Element> e) : m_e(std::move(e)) {}

    // The bus's desktop, whose children are the applications.
    static Node desktop();
    explicit operator bool() const { return m_e != nullptr; }
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
    // Performs the first action whose name is one of `names` (case ignored), trying the
    // names in their order.
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

    bool operator==(const Node& other) const;

  private:
    std::shared_ptr<Element> m_e;
};

// Role numbers of the library, named for the checks.
namespace role {
extern const int Frame, Dialog, Alert, PushButton, Label, MenuBar, Menu, MenuItem, ToolBar,
    ComboBox, List, ListItem, Table, TableCell, Text, Entry, Window, StatusBar, ProgressBar, Filler,
    Panel, CheckBox, Row, PopupMenu;
} // namespace role

} // namespace checkall
