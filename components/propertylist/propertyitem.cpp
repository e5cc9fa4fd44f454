#include "propertyitem.h"

#include "propertycollection.h"

namespace tav::propertylist {

bool isKnownPropertyKind(int32_t kind) {
    switch (kind) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 5:
    case 6:
    case 7:
        return true;
    default:
        return false;
    }
}

PropertyItem::PropertyItem(PropertyCollection& owner, QString caption, PropertyKind kind,
                           QString value)
    : m_owner(owner), m_caption(std::move(caption)), m_kind(kind), m_value(std::move(value)),
      m_label(m_caption) {}

void PropertyItem::changed(bool layout) {
    if (layout)
        emit m_owner.layoutChanged();
    else
        emit m_owner.itemChanged(this);
}

void PropertyItem::setValue(const QString& value) {
    if (value == m_value)
        return;
    m_value = value;
    changed();
}

void PropertyItem::setListEntries(const VariantArray& entries) {
    m_entries = entries;
    changed();
}

void PropertyItem::setListEntries(const Variant& entries) {
    if (entries.isEmpty())
        setListEntries(VariantArray{});
    else
        setListEntries(entries.array());
}

QStringList PropertyItem::listTexts() const {
    QStringList texts;
    for (const Variant& v : m_entries.items()) {
        try {
            texts << v.toText();
        } catch (const VbError&) {
            texts << QString(); // a Null entry shows as an empty line
        }
    }
    return texts;
}

void PropertyItem::setFlag(int32_t flag) {
    m_flag = flag;
    changed();
}

void PropertyItem::setLabelText(const QString& text) {
    if (text == m_label)
        return;
    m_label = text;
    changed();
}

bool PropertyItem::hasInPlaceEditor() const {
    if (isReadOnly())
        return false;
    switch (m_kind) {
    case PropertyKind::Text:
    case PropertyKind::Numeric:
    case PropertyKind::Boolean:
    case PropertyKind::DropDown:
    case PropertyKind::Custom:
        return true;
    case PropertyKind::Browse:
    case PropertyKind::Header:
        return false;
    }
    return false;
}

} // namespace tav::propertylist
