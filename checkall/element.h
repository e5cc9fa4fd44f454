#pragma once
// The accessibility tree as the checks see it, behind an interface: the desktop's bus
// (atspibus.cpp) answers it in a run, a tree built in memory answers it in the tests.
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

namespace checkall {

// One accessible object. Every read asks afresh; a call that fails or times out answers
// "nothing" (an empty text, -1, false or a null child).
class Element {
  public:
    virtual ~Element() = default;

    virtual bool same(const Element& other) const = 0;
    // Makes every later read of this application's objects ask the program.
    virtual void uncached() const {}

    virtual QString name() const = 0;
    virtual QString roleName() const = 0;
    virtual int role() const = 0; // AtspiRole
    virtual int processId() const = 0;
    virtual int childCount() const = 0;
    virtual std::shared_ptr<Element> child(int index) const = 0;
    virtual std::shared_ptr<Element> parent() const = 0;

    virtual bool showing() const = 0;           // showing, visible and not defunct
    virtual bool hasState(int state) const = 0; // AtspiStateType
    virtual QRect extents() const = 0;

    virtual QStringList actions() const = 0;
    // Starts action number `index` without waiting for its answer.
    virtual bool act(int index) const = 0;
    virtual bool grabFocus() const = 0;

    virtual QString text() const = 0;
    virtual int rows() const = 0; // -1 without a table
    virtual int columns() const = 0;
    virtual std::shared_ptr<Element> cell(int row, int column) const = 0;
    virtual QString columnHeader(int column) const = 0;
};

// The bus the checks talk over: its desktop (whose children are the applications), its
// events and the keyboard.
class AccessBus {
  public:
    virtual ~AccessBus() = default;
    virtual std::shared_ptr<Element> desktop() = 0;
    virtual void pump() = 0;
    virtual bool pressKey(unsigned long keysym) = 0;
    virtual bool typeText(const QString& text) = 0;
};

} // namespace checkall
