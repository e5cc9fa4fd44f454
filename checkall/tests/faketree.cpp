#include "faketree.h"

#include "a11y.h"

#include <QThread>

#include <algorithm>

namespace checkall::test {

std::shared_ptr<FakeElement> FakeElement::add(const QString& name, int role) {
    auto c = std::make_shared<FakeElement>(m_bus, name, role);
    c->m_parent = weak_from_this();
    c->m_pid = m_pid;
    m_kids.push_back(c);
    return c;
}

void FakeElement::remove(const std::shared_ptr<FakeElement>& child) {
    m_kids.erase(std::remove(m_kids.begin(), m_kids.end(), child), m_kids.end());
}

bool FakeElement::answers() const {
    if (m_pid == 0 || !m_bus.frozen())
        return true;
    // A program that does not answer: the call waits for as long as it may.
    const int ms = callLimitMs();
    m_bus.blockedMs += ms;
    QThread::msleep(ms);
    return false;
}

QString FakeElement::name() const {
    return answers() ? m_name : QString();
}

QString FakeElement::roleName() const {
    return answers() ? QString::number(m_role) : QString();
}

int FakeElement::role() const {
    return answers() ? m_role : -1;
}

int FakeElement::processId() const {
    return answers() ? m_pid : -1;
}

int FakeElement::childCount() const {
    return answers() ? int(m_kids.size()) : 0;
}

std::shared_ptr<Element> FakeElement::child(int index) const {
    if (!answers() || index < 0 || index >= int(m_kids.size()))
        return nullptr;
    return m_kids[size_t(index)];
}

std::shared_ptr<Element> FakeElement::parent() const {
    return answers() ? m_parent.lock() : nullptr;
}

bool FakeElement::showing() const {
    return answers() && m_shown;
}

bool FakeElement::hasState(int state) const {
    return answers() && m_states.count(state);
}

QStringList FakeElement::actions() const {
    return answers() ? m_actions : QStringList();
}

bool FakeElement::act(int index) const {
    if (m_pid != 0 && m_bus.frozen())
        return true; // sent; nobody answers
    return index >= 0 && index < m_actions.size() && m_onAct && m_onAct(m_actions[index]);
}

FakeBus::FakeBus() : m_desktop(std::make_shared<FakeElement>(*this, QStringLiteral("main"), 0)) {}

bool FakeBus::pressKey(unsigned long keysym) {
    keys << keysym;
    if (onKey)
        onKey(keysym);
    return true;
}

bool FakeBus::typeText(const QString& text) {
    typed << text;
    return true;
}

} // namespace checkall::test
