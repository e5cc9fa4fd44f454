#include "pickcombobox_p.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace tav::propertylist {

PickComboBox::PickComboBox(QWidget* parent) : QComboBox(parent) {}

void PickComboBox::showPopup() {
    if (m_beforePopup)
        m_beforePopup();
    QComboBox::showPopup();
}

void PickComboBox::keyPressEvent(QKeyEvent* e) {
    const int n = count();
    int idx = currentIndex();
    const bool popupKey = e->key() == Qt::Key_F4 || e->key() == Qt::Key_Space ||
                          ((e->key() == Qt::Key_Down || e->key() == Qt::Key_Up) &&
                           (e->modifiers() & Qt::AltModifier));
    if (popupKey || n == 0) {
        QComboBox::keyPressEvent(e);
        return;
    }
    switch (e->key()) {
    case Qt::Key_Up:
        idx = qMax(0, idx - 1);
        break;
    case Qt::Key_Down:
        idx = qMin(n - 1, idx + 1);
        break;
    case Qt::Key_Home:
    case Qt::Key_PageUp:
        idx = 0;
        break;
    case Qt::Key_End:
    case Qt::Key_PageDown:
        idx = n - 1;
        break;
    default: {
        const QString t = e->text();
        if (t.isEmpty() || !t.at(0).isPrint()) {
            QComboBox::keyPressEvent(e);
            return;
        }
        // Next entry starting with the typed character, after the current one.
        for (int step = 1; step <= n; ++step) {
            const int i = (qMax(idx, -1) + step) % n;
            if (itemText(i).startsWith(t, Qt::CaseInsensitive)) {
                idx = i;
                break;
            }
        }
        break;
    }
    }
    setCurrentIndex(idx);
    e->accept();
}

void PickComboBox::wheelEvent(QWheelEvent* e) {
    e->ignore();
}

} // namespace tav::propertylist
