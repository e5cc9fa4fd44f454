#include "a11y.h"

#include <atspi/atspi.h>
#include <dbus/dbus.h>

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

// Owns a GError and frees it; the checks treat every failed call as "not there (yet)".
struct Err {
    GError* e = nullptr;
    ~Err() {
        if (e)
            g_error_free(e);
    }
    GError** operator&() { return &e; }
    explicit operator bool() const { return e != nullptr; }
};

QString take(gchar* s) {
    if (!s)
        return {};
    QString out = QString::fromUtf8(s);
    g_free(s);
    return out;
}

} // namespace

namespace {
int g_timeout = 20000;
} // namespace

void setCallTimeout(int ms) {
    g_timeout = ms;
    atspi_set_timeout(ms, ms);
}

int callTimeout() {
    return g_timeout;
}

void initAccessibility(int callTimeoutMs) {
    atspi_init();
    setCallTimeout(callTimeoutMs);
}

void shutdownAccessibility() {
    atspi_exit();
}

void pumpEvents() {
    for (int i = 0; i < 100 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
}

Node::~Node() {
    if (m_p)
        g_object_unref(m_p);
}

Node::Node(const Node& other) : m_p(other.m_p) {
    if (m_p)
        g_object_ref(m_p);
}

Node& Node::operator=(const Node& other) {
    if (this != &other) {
        Node copy(other);
        std::swap(m_p, copy.m_p);
    }
    return *this;
}

Node& Node::operator=(Node&& other) noexcept {
    if (this != &other)
        std::swap(m_p, other.m_p);
    return *this;
}

Node Node::desktop() {
    return Node(atspi_get_desktop(0));
}

void Node::uncached() const {
    if (m_p)
        atspi_accessible_set_cache_mask(m_p, ATSPI_CACHE_NONE);
}

QString Node::name() const {
    if (!m_p)
        return {};
    Err err;
    atspi_accessible_clear_cache(m_p);
    return take(atspi_accessible_get_name(m_p, &err));
}

QString Node::roleName() const {
    Err err;
    return m_p ? take(atspi_accessible_get_role_name(m_p, &err)) : QString();
}

int Node::role() const {
    Err err;
    return m_p ? int(atspi_accessible_get_role(m_p, &err)) : -1;
}

int Node::processId() const {
    Err err;
    return m_p ? int(atspi_accessible_get_process_id(m_p, &err)) : -1;
}

int Node::childCount() const {
    if (!m_p)
        return 0;
    Err err;
    const int n = atspi_accessible_get_child_count(m_p, &err);
    return err ? 0 : n;
}

Node Node::child(int index) const {
    Err err;
    return m_p ? Node(atspi_accessible_get_child_at_index(m_p, index, &err)) : Node();
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
    Err err;
    return m_p ? Node(atspi_accessible_get_parent(m_p, &err)) : Node();
}

bool Node::hasState(int state) const {
    if (!m_p)
        return false;
    AtspiStateSet* set = atspi_accessible_get_state_set(m_p);
    if (!set)
        return false;
    const bool has = atspi_state_set_contains(set, AtspiStateType(state));
    g_object_unref(set);
    return has;
}

bool Node::showing() const {
    if (!m_p)
        return false;
    AtspiStateSet* set = atspi_accessible_get_state_set(m_p);
    if (!set)
        return false;
    const bool shown = atspi_state_set_contains(set, ATSPI_STATE_SHOWING) &&
                       atspi_state_set_contains(set, ATSPI_STATE_VISIBLE) &&
                       !atspi_state_set_contains(set, ATSPI_STATE_DEFUNCT);
    g_object_unref(set);
    return shown;
}

QRect Node::extents() const {
    if (!m_p)
        return {};
    AtspiComponent* c = atspi_accessible_get_component_iface(m_p);
    if (!c)
        return {};
    Err err;
    AtspiRect* r = atspi_component_get_extents(c, ATSPI_COORD_TYPE_SCREEN, &err);
    g_object_unref(c);
    if (!r)
        return {};
    const QRect out(r->x, r->y, r->width, r->height);
    g_free(r);
    return out;
}

QStringList Node::actions() const {
    QStringList out;
    if (!m_p)
        return out;
    AtspiAction* a = atspi_accessible_get_action_iface(m_p);
    if (!a)
        return out;
    Err err;
    const int n = atspi_action_get_n_actions(a, &err);
    for (int i = 0; i < n; ++i) {
        Err e2;
        out << take(atspi_action_get_action_name(a, i, &e2));
    }
    g_object_unref(a);
    return out;
}

bool Node::act(const QStringList& names) const {
    if (!m_p)
        return false;
    AtspiAction* a = atspi_accessible_get_action_iface(m_p);
    if (!a)
        return false;
    Err err;
    const int n = atspi_action_get_n_actions(a, &err);
    int index = -1;
    for (const QString& wanted : names) {
        for (int i = 0; i < n && index < 0; ++i) {
            Err e2;
            if (take(atspi_action_get_action_name(a, i, &e2))
                    .compare(wanted, Qt::CaseInsensitive) == 0)
                index = i;
        }
        if (index >= 0)
            break;
    }
    g_object_unref(a);
    if (index < 0)
        return false;
    // Sent without waiting for the answer: a program answers an action that opens a modal
    // box only once the box has closed. The checks watch the screen for the outcome.
    auto* o = reinterpret_cast<AtspiObject*>(m_p);
    if (!o->app || !o->app->bus || !o->app->bus_name || !o->path)
        return false;
    DBusMessage* msg = dbus_message_new_method_call(o->app->bus_name, o->path,
                                                    "org.a11y.atspi.Action", "DoAction");
    if (!msg)
        return false;
    dbus_int32_t i = index;
    dbus_message_append_args(msg, DBUS_TYPE_INT32, &i, DBUS_TYPE_INVALID);
    dbus_message_set_no_reply(msg, TRUE);
    const bool sent = dbus_connection_send(o->app->bus, msg, nullptr);
    dbus_connection_flush(o->app->bus);
    dbus_message_unref(msg);
    return sent;
}

bool Node::grabFocus() const {
    if (!m_p)
        return false;
    AtspiComponent* c = atspi_accessible_get_component_iface(m_p);
    if (!c)
        return false;
    Err err;
    const bool ok = atspi_component_grab_focus(c, &err);
    g_object_unref(c);
    return ok && !err;
}

QString Node::text() const {
    if (!m_p)
        return {};
    AtspiText* t = atspi_accessible_get_text_iface(m_p);
    if (!t)
        return {};
    Err err;
    const int n = atspi_text_get_character_count(t, &err);
    Err e2;
    QString out = n > 0 ? take(atspi_text_get_text(t, 0, n, &e2)) : QString();
    g_object_unref(t);
    return out;
}

int Node::rows() const {
    if (!m_p)
        return -1;
    AtspiTable* t = atspi_accessible_get_table_iface(m_p);
    if (!t)
        return -1;
    Err err;
    const int n = atspi_table_get_n_rows(t, &err);
    g_object_unref(t);
    return err ? -1 : n;
}

int Node::columns() const {
    if (!m_p)
        return -1;
    AtspiTable* t = atspi_accessible_get_table_iface(m_p);
    if (!t)
        return -1;
    Err err;
    const int n = atspi_table_get_n_columns(t, &err);
    g_object_unref(t);
    return err ? -1 : n;
}

Node Node::cell(int row, int column) const {
    if (!m_p)
        return {};
    AtspiTable* t = atspi_accessible_get_table_iface(m_p);
    if (!t)
        return {};
    Err err;
    Node out(atspi_table_get_accessible_at(t, row, column, &err));
    g_object_unref(t);
    return out;
}

QString Node::columnHeader(int column) const {
    if (!m_p)
        return {};
    AtspiTable* t = atspi_accessible_get_table_iface(m_p);
    if (!t)
        return {};
    Err err;
    Node header(atspi_table_get_column_header(t, column, &err));
    QString out = header ? header.name() : QString();
    if (out.isEmpty()) {
        Err e2;
        out = take(atspi_table_get_column_description(t, column, &e2));
    }
    g_object_unref(t);
    return out;
}

Node Node::find(const std::function<bool(const Node&)>& matches, int maxDepth) const {
    if (!m_p || maxDepth < 0)
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
    if (!m_p || maxDepth < 0)
        return;
    if (matches(*this))
        out.push_back(*this);
    for (const Node& c : children())
        if (c.showing())
            c.findAll(matches, out, maxDepth - 1);
}

bool pressKey(unsigned long keysym) {
    Err err;
    return atspi_generate_keyboard_event(long(keysym), nullptr, ATSPI_KEY_SYM, &err) && !err;
}

bool typeText(const QString& text) {
    Err err;
    const QByteArray utf8 = text.toUtf8();
    return atspi_generate_keyboard_event(0, utf8.constData(), ATSPI_KEY_STRING, &err) && !err;
}

} // namespace checkall
