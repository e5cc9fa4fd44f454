#include "pickcombobox_p.h"
#include "propertyeditor_p.h"
#include "propertyitem.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace tav::propertylist {

namespace {
const QRegularExpression& numericPattern() {
    static const QRegularExpression re(QStringLiteral("^[+-]?[0-9]*\\.?[0-9]*$"));
    return re;
}
} // namespace

bool PropertyEditor::isNumericText(const QString& text) {
    return numericPattern().match(text).hasMatch();
}

PropertyEditor::PropertyEditor(const PropertyItem& item, const QStringList& choices,
                               QWidget* parent, Hooks hooks)
    : m_initial(item.value()) {
    if (item.kind() == PropertyKind::Boolean || item.kind() == PropertyKind::DropDown) {
        m_combo = new PickComboBox(parent);
        const QStringList entries =
            item.kind() == PropertyKind::Boolean
                ? QStringList{QStringLiteral("True"), QStringLiteral("False")}
                : choices;
        m_combo->addItems(entries);
        // Until an entry is picked the row shows its stored value, which need not be
        // one of the entries.
        m_combo->setPlaceholderText(item.value());
        const Qt::CaseSensitivity cs =
            item.kind() == PropertyKind::Boolean ? Qt::CaseInsensitive : Qt::CaseSensitive;
        int current = -1;
        for (int i = 0; i < entries.size() && current < 0; ++i)
            if (entries[i].compare(item.value(), cs) == 0)
                current = i;
        m_combo->setCurrentIndex(current);
        m_combo->setBeforePopup(std::move(hooks.beforePopup));
        QObject::connect(m_combo, &QComboBox::currentIndexChanged, m_combo,
                         [t = m_touched] { *t = true; });
        QObject::connect(m_combo, &QComboBox::activated, m_combo,
                         [picked = std::move(hooks.picked), t = m_touched](int index) {
                             *t = true;
                             if (picked)
                                 picked(index);
                         });
        m_combo->setAccessibleName(item.caption());
        m_widget = m_combo;
        return;
    }
    m_line = new QLineEdit(parent);
    m_line->setFrame(false);
    m_line->setText(item.value());
    m_line->selectAll();
    if (item.kind() == PropertyKind::Numeric)
        m_line->setValidator(new QRegularExpressionValidator(numericPattern(), m_line));
    m_line->setAccessibleName(item.caption());
    QObject::connect(m_line, &QLineEdit::textEdited, m_line, [t = m_touched] { *t = true; });
    m_widget = m_line;
}

PropertyEditor::~PropertyEditor() {
    if (m_widget) {
        m_widget->hide();
        m_widget->deleteLater(); // may be inside one of the widget's own events
    }
}

QString PropertyEditor::text() const {
    if (m_line)
        return m_line->text();
    if (m_combo && m_combo->currentIndex() >= 0)
        return m_combo->currentText();
    return m_initial;
}

} // namespace tav::propertylist
