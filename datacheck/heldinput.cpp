#include "heldinput_p.h"

#include <QCoreApplication>

namespace tav::datacheck {

namespace {

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
        return true;
    default:
        return false;
    }
}

} // namespace

HeldInput::HeldInput(std::function<bool(QObject*, QEvent*)> passes) : m_passes(std::move(passes)) {}

HeldInput::~HeldInput() {
    for (auto& [receiver, event] : m_held)
        if (receiver)
            QCoreApplication::postEvent(receiver, event.release());
}

void HeldInput::deliverPending() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    app->installEventFilter(this);
    QCoreApplication::processEvents();
    app->removeEventFilter(this);
}

bool HeldInput::eventFilter(QObject* watched, QEvent* event) {
    if (!isInput(event->type()) || m_passes(watched, event))
        return false;
    m_held.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
    return true;
}

} // namespace tav::datacheck
