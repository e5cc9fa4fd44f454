#include "propertylist.h"

#include "devicecontext.h"
#include "keycodes_p.h"
#include "olecolor.h"
#include "propertyeditor_p.h"
#include "propertylistaccessible_p.h"

#include <QAccessible>
#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>

namespace tav::propertylist {

namespace {
constexpr int kGutter = 16;     // left margin: header fold boxes; custom rows may draw into it
constexpr int kTextPad = 3;     // text inset from its column's left edge
constexpr int kDividerGrip = 3; // pixels either side of the divider that start a drag
const QColor kGridColor(0xC0, 0xC0, 0xC0);
} // namespace

template <class F> bool PropertyList::callHost(F&& call) {
    IPropEventSink* sink = m_sink;
    if (!sink || m_tearingDown)
        return false;
    try {
        call(*sink);
        return true;
    } catch (const VbError& e) {
        qWarning("property list: host callback failed: %d %s", e.number(),
                 qPrintable(e.description()));
    } catch (const std::exception& e) {
        qWarning("property list: host callback failed: %s", e.what());
    } catch (...) {
        qWarning("property list: host callback failed");
    }
    return false;
}

PropertyList::PropertyList(QWidget* parent) : QAbstractScrollArea(parent) {
    PropertyListAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setBorderStyle(1);
    connect(&m_props, &PropertyCollection::layoutChanged, this, &PropertyList::relayout);
    connect(&m_props, &PropertyCollection::itemChanged, this, [this](PropertyItem* item) {
        const QRect r = rowRect(*item);
        if (!r.isEmpty())
            viewport()->update(QRect(0, r.top(), viewport()->width(), r.height()));
        if (auto* b = m_browseButtons.count(item) ? m_browseButtons.at(item) : nullptr)
            b->setEnabled(!item->isReadOnly());
        if (QAccessible::isActive()) {
            auto* iface =
                static_cast<PropertyListAccessible*>(QAccessible::queryAccessibleInterface(this));
            QAccessibleValueChangeEvent ev(iface->node(item, 1), displayValue(*item));
            QAccessible::updateAccessibility(&ev);
        }
    });
}

PropertyList::~PropertyList() {
    // No callback may reach a host while the list (and usually its window) goes away.
    m_tearingDown = true;
    m_sink = nullptr;
    closeEditor();
}

void PropertyList::setSorted(bool sorted) {
    if (m_sorted == sorted)
        return;
    m_sorted = sorted;
    relayout();
}

void PropertyList::setForeColor(uint32_t color) {
    m_foreColor = color;
    viewport()->update();
}

void PropertyList::setBorderStyle(int style) {
    m_borderStyle = style;
    setFrameShape(style ? QFrame::StyledPanel : QFrame::NoFrame);
}

int PropertyList::dividerPosition() const {
    const int w = viewport()->width();
    const int x = m_dividerX >= 0 ? m_dividerX : kGutter + int((w - kGutter) * m_dividerRatio);
    return std::clamp(x, kGutter + 24, std::max(kGutter + 24, w - 24));
}

void PropertyList::setDividerPosition(int x) {
    m_dividerX = x;
    if (m_dividerX >= 0)
        m_dividerX = dividerPosition();
    if (m_editor && m_editItem)
        m_editor->widget()->setGeometry(valueRect(rowRect(*m_editItem)));
    viewport()->update();
}

int PropertyList::rowHeight() const {
    return std::max(16, fontMetrics().height() + 4);
}

QRect PropertyList::rowRect(const PropertyItem& item) const {
    const auto it = std::find(m_rows.begin(), m_rows.end(), &item);
    if (it == m_rows.end())
        return {};
    const int h = rowHeight();
    const int y = int(it - m_rows.begin()) * h - verticalScrollBar()->value();
    const int left = item.kind() == PropertyKind::Header ? 0 : kGutter;
    return QRect(left, y, viewport()->width() - left, h);
}

PropertyItem* PropertyList::itemAt(const QPoint& pos) const {
    if (pos.y() < 0)
        return nullptr;
    const size_t i = size_t((pos.y() + verticalScrollBar()->value()) / rowHeight());
    return i < m_rows.size() ? m_rows[i] : nullptr;
}

QRect PropertyList::valueRect(const QRect& row) const {
    const int x = dividerPosition() + 1;
    return QRect(x, row.top(), row.right() + 1 - x, row.height() - 1);
}

int PropertyList::textStart(const PropertyItem& item, const QRect& r) const {
    return r.left() + kTextPad + (item.picture().isNull() ? 0 : r.height());
}

void PropertyList::relayout() {
    m_rows = m_props.displayOrder(m_sorted);
    auto shown = [this](const PropertyItem* item) {
        return std::find(m_rows.begin(), m_rows.end(), item) != m_rows.end();
    };
    if (m_editItem && !shown(m_editItem))
        commitEdit();
    if (m_selected && !shown(m_selected))
        select(m_props.headerOf(m_selected));
    const int h = rowHeight();
    QScrollBar* sb = verticalScrollBar();
    sb->setRange(0, std::max(0, int(m_rows.size()) * h - viewport()->height()));
    sb->setPageStep(viewport()->height());
    sb->setSingleStep(h);
    syncBrowseButtons();
    layoutBrowseButtons();
    if (m_editor && m_editItem)
        m_editor->widget()->setGeometry(valueRect(rowRect(*m_editItem)));
    viewport()->update();
}

void PropertyList::ensureVisible(const PropertyItem& item) {
    const auto it = std::find(m_rows.begin(), m_rows.end(), &item);
    if (it == m_rows.end())
        return;
    const int h = rowHeight();
    const int top = int(it - m_rows.begin()) * h;
    QScrollBar* sb = verticalScrollBar();
    if (top < sb->value())
        sb->setValue(top);
    else if (top + h > sb->value() + viewport()->height())
        sb->setValue(top + h - viewport()->height());
}

QSize PropertyList::sizeHint() const {
    return QSize(260, 10 * rowHeight());
}

// ---- painting ------------------------------------------------------------------

void PropertyList::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    const int w = viewport()->width();
    p.fillRect(e->rect(), palette().base());
    p.fillRect(QRect(0, 0, kGutter, viewport()->height()), palette().button());
    const int h = rowHeight();
    const int offset = verticalScrollBar()->value();
    for (size_t i = 0; i < m_rows.size(); ++i) {
        PropertyItem& item = *m_rows[i];
        const QRect band(0, int(i) * h - offset, w, h);
        if (!band.intersects(e->rect()))
            continue;
        if (item.kind() == PropertyKind::Header) {
            paintHeader(p, item, band);
            continue;
        }
        const QRect r(kGutter, band.top(), w - kGutter, h);
        if (item.kind() == PropertyKind::Custom && paintCustom(p, item, r))
            continue;
        paintRow(p, item, r);
    }
}

void PropertyList::paintRow(QPainter& p, PropertyItem& item, const QRect& r) {
    const int divider = dividerPosition();
    const bool selected = item.isHighlighted();
    const QRect label(r.left(), r.top(), divider - r.left(), r.height());
    p.fillRect(label, selected ? palette().highlight() : palette().base());
    p.fillRect(QRect(divider, r.top(), r.right() + 1 - divider, r.height()), palette().base());
    if (!item.picture().isNull())
        p.drawPixmap(QRect(r.left() + 2, r.top() + 2, r.height() - 4, r.height() - 4),
                     item.picture());

    const int ts = textStart(item, r);
    p.setFont(item.font().value_or(font()));
    p.setPen(selected ? palette().highlightedText().color() : palette().text().color());
    const QRect labelText(ts, r.top(), divider - ts - 2, r.height());
    p.drawText(labelText, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(item.labelText(), Qt::ElideRight, labelText.width()));

    if (m_editItem != &item || !m_editor) {
        QRect vt = valueRect(r).adjusted(kTextPad, 0, -kTextPad, 0);
        if (item.kind() == PropertyKind::Browse)
            vt.setRight(vt.right() - r.height());
        p.setFont(font());
        p.setPen(item.isReadOnly() ? palette().color(QPalette::Disabled, QPalette::Text)
                                   : oleColor(m_foreColor));
        p.drawText(vt, Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(displayValue(item), Qt::ElideRight, vt.width()));
    }
    p.setPen(QPen(kGridColor, 0));
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(divider, r.top(), divider, r.bottom());
}

void PropertyList::paintHeader(QPainter& p, PropertyItem& item, const QRect& r) {
    p.fillRect(r, item.isHighlighted() ? palette().highlight() : palette().button());
    // Fold box: minus while expanded, plus while collapsed.
    const QRect box(kGutter / 2 - 4, r.center().y() - 4, 8, 8);
    p.setPen(QPen(palette().color(QPalette::ButtonText), 0));
    p.fillRect(box, palette().base());
    p.drawRect(box);
    p.drawLine(box.left() + 2, box.center().y(), box.right() - 2, box.center().y());
    if (!item.isExpanded())
        p.drawLine(box.center().x(), box.top() + 2, box.center().x(), box.bottom() - 2);
    QFont bold = item.font().value_or(font());
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(item.isHighlighted() ? palette().highlightedText().color()
                                  : palette().buttonText().color());
    p.drawText(QRect(kGutter + kTextPad, r.top(), r.width() - kGutter - kTextPad, r.height()),
               Qt::AlignLeft | Qt::AlignVCenter, item.labelText());
}

bool PropertyList::paintCustom(QPainter& p, PropertyItem& item, const QRect& r) {
    if (!m_sink)
        return false;
    p.save();
    p.setClipRect(viewport()->rect()); // the whole viewport, not just the row
    bool painted = false;
    {
        gdi::DeviceContext dc(p);
        dc.setFont(font());
        painted = callHost([&](IPropEventSink& s) {
            s.DrawItem(item, dc.handle(), r.left(), r.top(), r.right() + 1, r.bottom() + 1,
                       textStart(item, r), dividerPosition());
        });
    }
    p.restore();
    return painted;
}

QString PropertyList::displayValue(PropertyItem& item) {
    if (item.kind() != PropertyKind::Custom)
        return item.value();
    QString answer = item.value();
    return callHost([&](IPropEventSink& s) { s.QueryCustomData(item, answer); }) ? answer
                                                                                 : item.value();
}

// ---- selection, folding, browsing ------------------------------------------------

void PropertyList::select(PropertyItem* item) {
    if (item == m_selected)
        return;
    if (m_editItem && m_editItem != item)
        commitEdit();
    PropertyItem* old = m_selected;
    m_selected = item;
    m_props.setHighlighted(item);
    if (item)
        ensureVisible(*item);
    callHost([&](IPropEventSink& s) { s.SelChange(old, item); });
    viewport()->update();
    if (item && hasFocus()) {
        QAccessibleEvent ev(this, QAccessible::Focus);
        ev.setChild(int(std::find(m_rows.begin(), m_rows.end(), item) - m_rows.begin()));
        QAccessible::updateAccessibility(&ev);
    }
}

void PropertyList::moveSelection(int delta) {
    if (m_rows.empty())
        return;
    const auto it = std::find(m_rows.begin(), m_rows.end(), m_selected);
    const int cur =
        it == m_rows.end() ? (delta > 0 ? -1 : int(m_rows.size())) : int(it - m_rows.begin());
    select(m_rows[size_t(std::clamp(cur + delta, 0, int(m_rows.size()) - 1))]);
}

bool PropertyList::moveToEditable(bool next) {
    const auto it = std::find(m_rows.begin(), m_rows.end(), m_selected);
    int i = it == m_rows.end() ? (next ? -1 : int(m_rows.size())) : int(it - m_rows.begin());
    for (i += next ? 1 : -1; i >= 0 && i < int(m_rows.size()); i += next ? 1 : -1) {
        PropertyItem* item = m_rows[size_t(i)];
        if (item->kind() != PropertyKind::Header && !item->isReadOnly()) {
            select(item);
            return true;
        }
    }
    return false;
}

void PropertyList::setExpanded(PropertyItem& header, bool expanded) {
    if (header.kind() != PropertyKind::Header || header.isExpanded() == expanded)
        return;
    if (expanded)
        callHost([&](IPropEventSink& s) { s.PreExpand(header); });
    m_props.setExpanded(header, expanded);
    callHost([&](IPropEventSink& s) {
        if (expanded)
            s.Expand(header);
        else
            s.Collapse(header);
    });
}

void PropertyList::browse(PropertyItem& item) {
    if (item.kind() != PropertyKind::Browse || item.isReadOnly())
        return;
    select(&item);
    const QString passed = item.value();
    QString fill = passed;
    if (callHost([&](IPropEventSink& s) { s.Browse(item, fill); }) && fill != passed)
        applyValue(item, fill);
}

QAbstractButton* PropertyList::browseButton(const PropertyItem& item) const {
    const auto it = m_browseButtons.find(&item);
    return it == m_browseButtons.end() ? nullptr : it->second;
}

void PropertyList::syncBrowseButtons() {
    for (int i = 0; i < m_props.count(); ++i) {
        PropertyItem* item = &m_props.at(i);
        if (item->kind() != PropertyKind::Browse || m_browseButtons.count(item))
            continue;
        auto* b = new QToolButton(viewport());
        b->setText(QStringLiteral("..."));
        b->setAccessibleName(QStringLiteral("..."));
        b->setAccessibleDescription(item->caption());
        b->setFocusPolicy(Qt::NoFocus);
        b->setEnabled(!item->isReadOnly());
        connect(b, &QToolButton::clicked, this, [this, item] { browse(*item); });
        m_browseButtons[item] = b;
    }
}

void PropertyList::layoutBrowseButtons() {
    for (auto& [item, button] : m_browseButtons) {
        const QRect r = rowRect(*item);
        if (r.isEmpty()) {
            button->hide();
            continue;
        }
        const int h = r.height();
        button->setGeometry(r.right() + 1 - (h - 1), r.top(), h - 1, h - 1);
        button->show();
    }
}

// ---- editing ---------------------------------------------------------------------

QWidget* PropertyList::editorWidget() const {
    return m_editor ? m_editor->widget() : nullptr;
}

bool PropertyList::beginEdit() {
    PropertyItem* item = m_selected;
    if (!item)
        return false;
    switch (item->kind()) {
    case PropertyKind::Header:
        setExpanded(*item, !item->isExpanded());
        return true;
    case PropertyKind::Browse:
        if (item->isReadOnly())
            return false;
        browse(*item);
        return true;
    default:
        if (!item->hasInPlaceEditor())
            return false;
        if (m_editItem != item)
            openEditor(*item);
        return true;
    }
}

QStringList PropertyList::choicesFor(PropertyItem& item) {
    if (item.listEntries().empty()) {
        StringArray data;
        if (callHost([&](IPropEventSink& s) { s.NeedData(item, data); }) && !data.empty()) {
            VariantArray entries(data.lbound());
            for (const QString& text : data.items())
                entries.append(Variant(text));
            item.setListEntries(entries);
        }
    }
    const QStringList texts = item.listTexts();
    StringArray strings(0, std::vector<QString>(texts.begin(), texts.end()));
    if (!callHost([&](IPropEventSink& s) { s.GetPredefinedStrings(item, strings); }))
        return texts;
    return QStringList(strings.items().begin(), strings.items().end());
}

void PropertyList::openEditor(PropertyItem& item) {
    if (m_editItem)
        commitEdit();
    ensureVisible(item);
    const QRect vr = valueRect(rowRect(item));
    bool intrinsic = true;
    bool answer = true;
    if (callHost([&](IPropEventSink& s) {
            s.ShowEditControl(item, vr.x(), vr.y(), vr.width(), vr.height(), answer);
        }))
        intrinsic = answer;
    m_editItem = &item;
    if (!intrinsic)
        return; // the host edits the row itself until the next commit point

    PropertyEditor::Hooks hooks;
    hooks.picked = [this, p = &item](int index) {
        if (m_editItem != p)
            return;
        callHost([&](IPropEventSink& s) { s.DropdownPick(*p, index); });
        commitEdit();
    };
    hooks.beforePopup = [this, p = &item] {
        int32_t colorType = 0;
        callHost([&](IPropEventSink& s) { s.PreDropWindow(*p, colorType); });
    };
    const QStringList choices =
        item.kind() == PropertyKind::DropDown ? choicesFor(item) : QStringList();
    m_editor = std::make_unique<PropertyEditor>(item, choices, viewport(), std::move(hooks));
    QWidget* w = m_editor->widget();
    w->setFont(font());
    w->setGeometry(vr);
    w->installEventFilter(this);
    w->show();
    w->setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void PropertyList::closeEditor() {
    if (!m_editItem)
        return;
    const bool wasClosing = m_closingEditor;
    m_closingEditor = true;
    std::unique_ptr<PropertyEditor> editor = std::move(m_editor);
    m_editItem = nullptr;
    if (editor && editor->widget()) {
        QWidget* w = editor->widget();
        w->removeEventFilter(this);
        if (!m_tearingDown && (w->hasFocus() || w->isAncestorOf(QApplication::focusWidget())))
            setFocus(Qt::OtherFocusReason);
    }
    editor.reset();
    callHost([](IPropEventSink& s) { s.HideEditControl(); });
    m_closingEditor = wasClosing;
    if (!m_tearingDown)
        viewport()->update();
}

void PropertyList::commitEdit() {
    if (!m_editItem || m_closingEditor)
        return;
    PropertyItem& item = *m_editItem;
    m_closingEditor = true;
    if (item.kind() == PropertyKind::Custom)
        callHost([&](IPropEventSink& s) { s.ODCommitPending(item); });
    const QString text = m_editor ? m_editor->text() : item.value();
    const bool touched = m_editor && m_editor->isTouched();
    m_closingEditor = false;
    closeEditor();
    if (touched || text != item.value())
        applyValue(item, text);
}

void PropertyList::cancelEdit() {
    closeEditor();
}

void PropertyList::applyValue(PropertyItem& item, const QString& text) {
    QString newValue = text;
    bool cancel = false;
    QString answer = text;
    bool cancelAnswer = false;
    if (callHost([&](IPropEventSink& s) { s.ValueChanged(item, answer, cancelAnswer); })) {
        newValue = answer;
        cancel = cancelAnswer;
    }
    if (!cancel)
        item.setValue(newValue);
}

// Keys in the editor: KeyDownEdit, then KeyPressEdit for keys that type a character,
// then the list's own handling of commit and navigation keys.
bool PropertyList::editorKey(QKeyEvent* e) {
    int16_t keyCode = virtualKeyCode(e->key());
    int16_t shift = shiftBits(e->modifiers());
    if (keyCode && callHost([&](IPropEventSink& s) { s.KeyDownEdit(keyCode, shift); }) &&
        keyCode == 0)
        return true;
    const QString typed = e->text();
    if (!typed.isEmpty()) {
        const int16_t original = int16_t(typed.at(0).unicode());
        int16_t keyAscii = original;
        if (callHost([&](IPropEventSink& s) { s.KeyPressEdit(keyAscii); }) &&
            keyAscii != original) {
            if (keyAscii == 0)
                return true;
            if (auto* line = qobject_cast<QLineEdit*>(editorWidget());
                line && QChar(ushort(keyAscii)).isPrint()) {
                line->insert(QString(QChar(ushort(keyAscii))));
                return true;
            }
        }
    }
    const bool list = m_editor && m_editor->isList();
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        commitEdit();
        return true;
    case Qt::Key_Escape:
        cancelEdit();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const bool next = e->key() == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier);
        commitEdit();
        if (moveToEditable(next)) {
            if (m_selected && m_selected->hasInPlaceEditor())
                openEditor(*m_selected);
        } else {
            QAbstractScrollArea::focusNextPrevChild(next);
        }
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (list)
            return false; // moves the current entry of the list
        commitEdit();
        moveSelection(e->key() == Qt::Key_Up ? -1 : 1);
        return true;
    default:
        return false;
    }
}

bool PropertyList::eventFilter(QObject* watched, QEvent* e) {
    if (!m_editor || watched != m_editor->widget())
        return QAbstractScrollArea::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::KeyPress:
        return editorKey(static_cast<QKeyEvent*>(e));
    case QEvent::KeyRelease: {
        auto* ke = static_cast<QKeyEvent*>(e);
        int16_t keyCode = virtualKeyCode(ke->key());
        int16_t shift = shiftBits(ke->modifiers());
        if (keyCode)
            callHost([&](IPropEventSink& s) { s.KeyUpEdit(keyCode, shift); });
        return false;
    }
    case QEvent::FocusOut: {
        // The editor's own drop-down list taking the focus is no loss of focus.
        if (static_cast<QFocusEvent*>(e)->reason() == Qt::PopupFocusReason ||
            QApplication::activePopupWidget())
            break;
        QWidget* now = QApplication::focusWidget();
        while (now && now != m_editor->widget())
            now = now->parentWidget();
        if (!now)
            commitEdit();
        break;
    }
    default:
        break;
    }
    return QAbstractScrollArea::eventFilter(watched, e);
}

// ---- input -----------------------------------------------------------------------

void PropertyList::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(e);
    const QPoint pos = e->position().toPoint();
    PropertyItem* item = itemAt(pos);
    setFocus(Qt::MouseFocusReason);
    if (!item) {
        if (m_editItem)
            commitEdit();
        return;
    }
    if (item->kind() != PropertyKind::Header &&
        std::abs(pos.x() - dividerPosition()) <= kDividerGrip) {
        m_draggingDivider = true;
        return;
    }
    select(item);
    if (item->kind() == PropertyKind::Header) {
        if (pos.x() < kGutter)
            setExpanded(*item, !item->isExpanded());
        return;
    }
    if (pos.x() > dividerPosition() && item->hasInPlaceEditor())
        openEditor(*item);
}

void PropertyList::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (m_draggingDivider) {
        setDividerPosition(pos.x());
        return;
    }
    PropertyItem* item = itemAt(pos);
    const bool onDivider = item && item->kind() != PropertyKind::Header &&
                           std::abs(pos.x() - dividerPosition()) <= kDividerGrip;
    viewport()->setCursor(onDivider ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void PropertyList::mouseReleaseEvent(QMouseEvent* e) {
    m_draggingDivider = false;
    QAbstractScrollArea::mouseReleaseEvent(e);
}

void PropertyList::mouseDoubleClickEvent(QMouseEvent* e) {
    PropertyItem* item = itemAt(e->position().toPoint());
    if (item && item->kind() == PropertyKind::Header)
        setExpanded(*item, !item->isExpanded());
}

void PropertyList::keyPressEvent(QKeyEvent* e) {
    const int page = std::max(1, viewport()->height() / rowHeight());
    PropertyItem* item = m_selected;
    switch (e->key()) {
    case Qt::Key_Up:
        moveSelection(-1);
        break;
    case Qt::Key_Down:
        moveSelection(1);
        break;
    case Qt::Key_PageUp:
        moveSelection(-page);
        break;
    case Qt::Key_PageDown:
        moveSelection(page);
        break;
    case Qt::Key_Home:
        moveSelection(-int(m_rows.size()));
        break;
    case Qt::Key_End:
        moveSelection(int(m_rows.size()));
        break;
    case Qt::Key_Left:
        if (item && item->kind() == PropertyKind::Header)
            setExpanded(*item, false);
        else if (item && m_props.headerOf(item))
            select(m_props.headerOf(item));
        break;
    case Qt::Key_Right:
        if (item && item->kind() == PropertyKind::Header)
            setExpanded(*item, true);
        break;
    case Qt::Key_Space:
        if (item && item->kind() == PropertyKind::Header)
            setExpanded(*item, !item->isExpanded());
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        beginEdit();
        break;
    default:
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    e->accept();
}

bool PropertyList::focusNextPrevChild(bool next) {
    if (hasFocus() && moveToEditable(next))
        return true;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

bool PropertyList::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* he = static_cast<QHelpEvent*>(e);
        const QString tip = toolTipAt(he->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
            e->ignore();
        } else {
            QToolTip::showText(he->globalPos(), tip, viewport());
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

QString PropertyList::toolTipAt(const QPoint& pos) {
    PropertyItem* item = itemAt(pos);
    if (!item || item->kind() == PropertyKind::Header)
        return {};
    const QRect r = rowRect(*item);
    const int divider = dividerPosition();
    QString text;
    int room = 0;
    if (pos.x() >= divider) {
        text = displayValue(*item);
        room = valueRect(r).width() - 2 * kTextPad -
               (item->kind() == PropertyKind::Browse ? r.height() : 0);
    } else {
        text = item->labelText();
        room = divider - textStart(*item, r) - 2;
    }
    if (fontMetrics().horizontalAdvance(text) > room)
        return text;
    return item->description();
}

void PropertyList::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    relayout();
}

void PropertyList::scrollContentsBy(int, int) {
    layoutBrowseButtons();
    if (m_editor && m_editItem)
        m_editor->widget()->setGeometry(valueRect(rowRect(*m_editItem)));
    viewport()->update();
}

void PropertyList::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        relayout();
}

} // namespace tav::propertylist
