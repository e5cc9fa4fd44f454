#include "a11y.h"
#include "atspielement_p.h"

#include <algorithm>
#include <atspi/atspi.h>
#include <dbus/dbus.h>

namespace checkall {

namespace {

QString take(gchar* s) {
    const GMallocPtr<gchar> owned(s);
    return s ? QString::fromUtf8(s) : QString();
}

int g_applied = -1; // the timeout the library was last given

struct DBusMessageRelease {
    void operator()(DBusMessage* m) const { dbus_message_unref(m); }
};

} // namespace

bool beginCall() {
    const int ms = callLimitMs();
    if (ms <= 0)
        return false;
    // A call the program does not answer costs its timeout twice: the library then asks the
    // program once more whether it hangs. Half of what is left keeps both within it.
    const int each = std::max(1, ms / 2);
    if (each != g_applied) {
        atspi_set_timeout(each, each);
        g_applied = each;
    }
    return true;
}

std::shared_ptr<Element> AtspiElement::adopt(AtspiAccessible* adopted) {
    if (!adopted)
        return nullptr;
    return std::make_shared<AtspiElement>(adopted);
}

bool AtspiElement::same(const Element& other) const {
    const auto* o = dynamic_cast<const AtspiElement*>(&other);
    return o && o->m_p.get() == m_p.get();
}

void AtspiElement::uncached() const {
    atspi_accessible_set_cache_mask(m_p.get(), ATSPI_CACHE_NONE);
}

QString AtspiElement::name() const {
    if (!beginCall())
        return {};
    GErrorSlot err;
    atspi_accessible_clear_cache(m_p.get());
    return take(atspi_accessible_get_name(m_p.get(), err.out()));
}

QString AtspiElement::roleName() const {
    GErrorSlot err;
    return beginCall() ? take(atspi_accessible_get_role_name(m_p.get(), err.out())) : QString();
}

int AtspiElement::role() const {
    GErrorSlot err;
    return beginCall() ? int(atspi_accessible_get_role(m_p.get(), err.out())) : -1;
}

int AtspiElement::processId() const {
    GErrorSlot err;
    return beginCall() ? int(atspi_accessible_get_process_id(m_p.get(), err.out())) : -1;
}

int AtspiElement::childCount() const {
    if (!beginCall())
        return 0;
    GErrorSlot err;
    const int n = atspi_accessible_get_child_count(m_p.get(), err.out());
    return err ? 0 : n;
}

std::shared_ptr<Element> AtspiElement::child(int index) const {
    GErrorSlot err;
    return beginCall() ? adopt(atspi_accessible_get_child_at_index(m_p.get(), index, err.out()))
                       : nullptr;
}

std::shared_ptr<Element> AtspiElement::parent() const {
    GErrorSlot err;
    return beginCall() ? adopt(atspi_accessible_get_parent(m_p.get(), err.out())) : nullptr;
}

bool AtspiElement::hasState(int state) const {
    if (!beginCall())
        return false;
    const GObjectPtr<AtspiStateSet> set(atspi_accessible_get_state_set(m_p.get()));
    return set && atspi_state_set_contains(set.get(), AtspiStateType(state));
}

bool AtspiElement::showing() const {
    if (!beginCall())
        return false;
    const GObjectPtr<AtspiStateSet> set(atspi_accessible_get_state_set(m_p.get()));
    return set && atspi_state_set_contains(set.get(), ATSPI_STATE_SHOWING) &&
           atspi_state_set_contains(set.get(), ATSPI_STATE_VISIBLE) &&
           !atspi_state_set_contains(set.get(), ATSPI_STATE_DEFUNCT);
}

QRect AtspiElement::extents() const {
    if (!beginCall())
        return {};
    const GObjectPtr<AtspiComponent> c(atspi_accessible_get_component_iface(m_p.get()));
    if (!c)
        return {};
    GErrorSlot err;
    const GMallocPtr<AtspiRect> r(
        atspi_component_get_extents(c.get(), ATSPI_COORD_TYPE_SCREEN, err.out()));
    return r ? QRect(r->x, r->y, r->width, r->height) : QRect();
}

QStringList AtspiElement::actions() const {
    QStringList out;
    if (!beginCall())
        return out;
    const GObjectPtr<AtspiAction> a(atspi_accessible_get_action_iface(m_p.get()));
    if (!a)
        return out;
    GErrorSlot err;
    const int n = atspi_action_get_n_actions(a.get(), err.out());
    for (int i = 0; i < n && beginCall(); ++i) {
        GErrorSlot e2;
        out << take(atspi_action_get_action_name(a.get(), i, e2.out()));
    }
    return out;
}

bool AtspiElement::act(int index) const {
    // Sent without waiting for the answer: a program answers an action that opens a modal
    // box only once the box has closed. The checks watch the screen for the outcome.
    auto* o = reinterpret_cast<AtspiObject*>(m_p.get());
    if (!o->app || !o->app->bus || !o->app->bus_name || !o->path)
        return false;
    const std::unique_ptr<DBusMessage, DBusMessageRelease> msg(dbus_message_new_method_call(
        o->app->bus_name, o->path, "org.a11y.atspi.Action", "DoAction"));
    if (!msg)
        return false;
    dbus_int32_t i = index;
    dbus_message_append_args(msg.get(), DBUS_TYPE_INT32, &i, DBUS_TYPE_INVALID);
    dbus_message_set_no_reply(msg.get(), TRUE);
    const bool sent = dbus_connection_send(o->app->bus, msg.get(), nullptr);
    dbus_connection_flush(o->app->bus);
    return sent;
}

bool AtspiElement::grabFocus() const {
    if (!beginCall())
        return false;
    const GObjectPtr<AtspiComponent> c(atspi_accessible_get_component_iface(m_p.get()));
    if (!c)
        return false;
    GErrorSlot err;
    const bool ok = atspi_component_grab_focus(c.get(), err.out());
    return ok && !err;
}

QString AtspiElement::text() const {
    if (!beginCall())
        return {};
    const GObjectPtr<AtspiText> t(atspi_accessible_get_text_iface(m_p.get()));
    if (!t)
        return {};
    GErrorSlot err;
    const int n = atspi_text_get_character_count(t.get(), err.out());
    GErrorSlot e2;
    return n > 0 && beginCall() ? take(atspi_text_get_text(t.get(), 0, n, e2.out())) : QString();
}

// A count the table interface answers (rows or columns); -1 where there is none.
int AtspiElement::tableCount(TableCount askTable) const {
    if (!beginCall())
        return -1;
    const GObjectPtr<AtspiTable> t(atspi_accessible_get_table_iface(m_p.get()));
    if (!t)
        return -1;
    GErrorSlot err;
    const int n = askTable(t.get(), err.out());
    return err ? -1 : n;
}

int AtspiElement::rows() const {
    return tableCount(atspi_table_get_n_rows);
}

int AtspiElement::columns() const {
    return tableCount(atspi_table_get_n_columns);
}

std::shared_ptr<Element> AtspiElement::cell(int row, int column) const {
    if (!beginCall())
        return nullptr;
    const GObjectPtr<AtspiTable> t(atspi_accessible_get_table_iface(m_p.get()));
    if (!t)
        return nullptr;
    GErrorSlot err;
    return adopt(atspi_table_get_accessible_at(t.get(), row, column, err.out()));
}

QString AtspiElement::columnHeader(int column) const {
    if (!beginCall())
        return {};
    const GObjectPtr<AtspiTable> t(atspi_accessible_get_table_iface(m_p.get()));
    if (!t)
        return {};
    GErrorSlot err;
    const auto header = adopt(atspi_table_get_column_header(t.get(), column, err.out()));
    QString out = header ? header->name() : QString();
    if (out.isEmpty() && beginCall()) {
        GErrorSlot e2;
        out = take(atspi_table_get_column_description(t.get(), column, e2.out()));
    }
    return out;
}

} // namespace checkall
