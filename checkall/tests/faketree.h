#pragma once
// An accessibility tree built in memory, for testing the checks without a display: objects
// with names, roles, states and actions that run code of the test, and a bus whose program
// can be made to freeze (every call then takes all the time it is given and answers nothing).
#include "element.h"

#include <QList>

#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace checkall::test {

class FakeBus;

class FakeElement : public Element, public std::enable_shared_from_this<FakeElement> {
  public:
    FakeElement(FakeBus& bus, QString name, int role) : m_bus(bus), m_name(name), m_role(role) {}

    // Adds a child with `name` and `role` and gives it.
    std::shared_ptr<FakeElement> add(const QString& name, int role);
    void remove(const std::shared_ptr<FakeElement>& child);

    void setName(const QString& name) { m_name = name; }
    void setShown(bool shown) { m_shown = shown; }
    void setStates(std::set<int> states) { m_states = std::move(states); }
    // Actions by name; performing one runs `onAct` with its name and answers its result.
    void setActions(QStringList names, std::function<bool(const QString&)> onAct) {
        m_actions = std::move(names);
        m_onAct = std::move(onAct);
    }
    void setProgram(int pid) { m_pid = pid; }
    const std::vector<std::shared_ptr<FakeElement>>& kids() const { return m_kids; }

    bool same(const Element& other) const override { return &other == this; }
    QString name() const override;
    QString roleName() const override;
    int role() const override;
    int processId() const override;
    int childCount() const override;
    std::shared_ptr<Element> child(int index) const override;
    std::shared_ptr<Element> parent() const override;
    bool showing() const override;
    bool hasState(int state) const override;
    QRect extents() const override { return {}; }
    QStringList actions() const override;
    bool act(int index) const override;
    bool grabFocus() const override { return answers(); }
    QString text() const override { return answers() ? m_name : QString(); }
    int rows() const override { return -1; }
    int columns() const override { return -1; }
    std::shared_ptr<Element> cell(int, int) const override { return nullptr; }
    QString columnHeader(int) const override { return {}; }

  private:
    bool answers() const;

    FakeBus& m_bus;
    QString m_name;
    int m_role;
    int m_pid = 0; // 0: the desktop's own objects, which never freeze
    bool m_shown = true;
    std::set<int> m_states;
    QStringList m_actions;
    std::function<bool(const QString&)> m_onAct;
    std::vector<std::shared_ptr<FakeElement>> m_kids;
    std::weak_ptr<FakeElement> m_parent;
};

class FakeBus : public AccessBus {
  public:
    FakeBus();
    std::shared_ptr<FakeElement> root() const { return m_desktop; }
    std::shared_ptr<Element> desktop() override { return m_desktop; }
    void pump() override {}
    bool pressKey(unsigned long keysym) override;
    bool typeText(const QString& text) override;

    // From now on the program's objects take every call's whole time and answer nothing.
    void freeze() { m_frozen = true; }
    bool frozen() const { return m_frozen; }
    // What the frozen program's calls were given to wait, in all.
    int blockedMs = 0;
    // Runs on every key sent.
    std::function<void(unsigned long)> onKey;
    QList<unsigned long> keys;
    QStringList typed;

  private:
    std::shared_ptr<FakeElement> m_desktop;
    bool m_frozen = false;
};

} // namespace checkall::test
