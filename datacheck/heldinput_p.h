#pragma once
// While a statement runs, the window's pending events are delivered from inside it (timer
// ticks, paints, a close), but a click or key that would start another handler must wait,
// as it would if the statement held the thread: the statement's database may not be used
// from inside it. HeldInput holds every input event that `passes` does not let through and
// posts them again, in order, when it goes.
#include <QEvent>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tav::datacheck {

class HeldInput : public QObject {
  public:
    explicit HeldInput(std::function<bool(QObject* receiver, QEvent* event)> passes);
    ~HeldInput() override;
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;

    // Delivers the pending events, holding the input that does not pass.
    void deliverPending();
    // Drops what was held: the window it was meant for is closing.
    void discard() { m_held.clear(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<bool(QObject*, QEvent*)> m_passes;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_held;
};

} // namespace tav::datacheck
