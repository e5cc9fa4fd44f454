#include "a11y.h"

#include <algorithm>
#include <atspi/atspi-constants.h>

namespace checkall {

namespace role {
const int Frame = ATSPI_ROLE_FRAME, Dialog = ATSPI_ROLE_DIALOG, Alert = ATSPI_ROLE_ALERT,
          PushButton = ATSPI_ROLE_PUSH_BUTTON, Label = ATSPI_ROLE_LABEL,
          MenuBar = ATSPI_ROLE_MENU_BAR, Menu = ATSPI_ROLE_MENU, MenuItem = ATSPI_ROLE_MENU_ITEM,
          ToolBar = ATSPI_ROLE_TOOL_BAR, ComboBox = ATSPI_ROLE_COMBO_BOX, List = ATSPI_ROLE_LIST,
          ListItem = ATSPI_ROLE_LIST_ITEM, Table = ATSPI_ROLE_TABLE,
          TableCell = ATSPI_ROLE_TABLE_CELL, Text = ATSPI_ROLE_TEXT, Entry = ATSPI_ROLE_ENTRY,
          Window = ATSPI_ROLE_WINDOW, StatusBar = ATSPI_ROLE_STATUS_BAR,
          ProgressBar = ATSPI_ROLE_PROGRESS_BAR, Filler = ATSPI_ROLE_FILLER,
          Panel = ATSPI_ROLE_PANEL, CheckBox = ATSPI_ROLE_CHECK_BOX, Row = ATSPI_ROLE_TABLE_ROW,
          PopupMenu = ATSPI_ROLE_POPUP_MENU;
} // namespace role

namespace {
AccessBus* g_bus = nullptr;
int g_timeout = 20000;
const Step* g_step = nullptr;
} // namespace

void useBus(AccessBus* bus) {
    g_bus = bus;
}

void pumpEvents() {
    if (g_bus)
        g_bus->pump();
}

bool pressKey(unsigned long keysym) {
    return g_bus && callLimitMs() > 0 && g_bus->pressKey(keysym);
}

bool typeText(const QString& text) {
    return g_bus && callLimitMs() > 0 && g_bus->typeText(text);
}

void setCallTimeout(int ms) {
    g_timeout = ms;
}

int callTimeout() {
    return g_timeout;
}

int callLimitMs() {
    return g_step ? std::clamp(g_step->remainingMs(), 0, g_timeout) : g_timeout;
}

ScopedCallTimeout::ScopedCallTimeout(int ms) : m_before(g_timeout) {
    setCallTimeout(ms);
}

ScopedCallTimeout::~ScopedCallTimeout() {
    setCallTimeout(m_before);
}

Step::Step(int limitMs)
    : m_limitMs(limitMs),
      m_end(std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs)),
      m_outer(g_step) {
    g_step = this;
}

Step::~Step() {
    g_step = m_outer;
}

const Step* Step::current() {
    return g_step;
}

int Step::remainingMs() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          m_end - std::chrono::steady_clock::now())
                          .count();
    return int(std::clamp<long long>(left, 0, m_limitMs));
}

Node Node::desktop() {
    return g_bus ? Node(g_bus->desktop()) : Node();
}

void Node::uncached() const {
    if (m_e)
        m_e->uncached();
}

QString Node::name() const {
    return m_e ? m_e->name() : QString();
}

QString Node::roleName() const {
    return m_e ? m_e->roleName() : QString();
}

int Node::role() const {
    return m_e ? m_e->role() : -1;
}

int Node::processId() const {
    return m_e ? m_e->processId() : -1;
}

int Node::childCount() const {
    return m_e ? std::max(0, m_e->childCount()) : 0;
}

Node Node::child(int index) const {
    return m_e ? Node(m_e->child(index)) : Node();
}

std::vector<Node> Node::children() const {
    std::vector<Node> out;
    const int n = childCount();
    for (int i = 0; i < n; ++i)
        if (Node c = child(i))
            out.push_back(std::move(c));
    return out;
}

Node Node::parent() const {
    return m_e ? Node(m_e->parent()) : Node();
}

bool Node::showing() const {
    return m_e && m_e->showing();
}

bool Node::hasState(int state) const {
    return m_e && m_e->hasState(state);
}

QRect Node::extents() const {
    return m_e ? m_e->extents() : QRect();
}

QStringList Node::actions() const {
    return m_e ? m_e->actions() : QStringList();
}

bool Node::act(const QStringList& names) const {
    if (!m_e)
        return false;
    const QStringList have = m_e->actions();
    for (const QString& wanted : names)
        for (int i = 0; i < have.size(); ++i)
            if (have[i].compare(wanted, Qt::CaseInsensitive) == 0)
                return m_e->act(i);
    return false;
}

bool Node::grabFocus() const {
    return m_e && m_e->grabFocus();
}

QString Node::text() const {
    return m_e ? m_e->text() : QString();
}

int Node::rows() const {
    return m_e ? m_e->rows() : -1;
}

int Node::columns() const {
    return m_e ? m_e->columns() : -1;
}

Node Node::cell(int row, int column) const {
    return m_e ? Node(m_e->cell(row, column)) : Node();
}

QString Node::columnHeader(int column) const {
    return m_e ? m_e->columnHeader(column) : QString();
}

Node Node::find(const std::function<bool(const Node&)>& matches, int maxDepth) const {
    if (!m_e || maxDepth < 0)
        return {};
    if (matches(*this))
        return *this;
    for (const Node& c : children()) {
        if (!c.showing())
            continue;
        if (Node hit = c.find(matches, maxDepth - 1))
            return hit;
    }
    return {};
}

void Node::findAll(const std::function<bool(const Node&)>& matches, std::vector<Node>& out,
                   int maxDepth) const {
    if (!m_e || maxDepth < 0)
        return;
    if (matches(*this))
        out.push_back(*this);
    for (const Node& c : children())
        if (c.showing())
            c.findAll(matches, out, maxDepth - 1);
}

bool Node::operator==(const Node& other) const {
    if (!m_e || !other.m_e)
        return m_e == other.m_e;
    return m_e == other.m_e || m_e->same(*other.m_e);
}

} // namespace checkall
