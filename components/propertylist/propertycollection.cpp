#include "propertycollection.h"

#include <algorithm>

namespace tav::propertylist {

PropertyCollection::PropertyCollection(QObject* parent) : QObject(parent) {}
PropertyCollection::~PropertyCollection() = default;

PropertyItem& PropertyCollection::add(const QString& caption, int32_t kind, const QString& value,
                                      const Variant& entries, const Variant& description,
                                      const QPixmap& picture, const std::optional<QFont>& font) {
    if (!isKnownPropertyKind(kind))
        throw VbError::standard(err::InvalidProcedureCall);
    auto item = std::unique_ptr<PropertyItem>(
        new PropertyItem(*this, caption, static_cast<PropertyKind>(kind), value));
    if (!entries.isEmpty())
        item->m_entries = entries.array();
    if (!description.isEmpty())
        item->m_description = description.toText();
    item->m_picture = picture;
    item->m_font = font;
    m_items.push_back(std::move(item));
    emit layoutChanged();
    return *m_items.back();
}

PropertyItem* PropertyCollection::find(const QString& caption) const {
    for (const auto& item : m_items)
        if (item->caption() == caption)
            return item.get();
    return nullptr;
}

PropertyItem& PropertyCollection::lookup(const Variant& key) const {
    PropertyItem* found = nullptr;
    if (key.kind() == Variant::Kind::String) {
        found = find(*key.get<QString>());
    } else if (key.isNumeric()) {
        const int32_t pos = key.toLong();
        if (pos >= 1 && pos <= count())
            found = m_items[size_t(pos - 1)].get();
    }
    if (!found)
        throw VbError(err::ElementNotFound, QStringLiteral("PropertyList"),
                      QStringLiteral("Element not found"));
    return *found;
}

bool PropertyCollection::contains(const PropertyItem* item) const {
    return indexOf(item) >= 0;
}

int PropertyCollection::indexOf(const PropertyItem* item) const {
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item)
            return int(i);
    return -1;
}

std::vector<PropertyItem*> PropertyCollection::displayOrder(bool sorted) const {
    std::vector<PropertyItem*> out;
    out.reserve(m_items.size());
    auto flush = [&](PropertyItem* header, std::vector<PropertyItem*>& group) {
        if (header)
            out.push_back(header);
        if (!header || header->isExpanded()) {
            if (sorted)
                std::stable_sort(
                    group.begin(), group.end(), [](const PropertyItem* a, const PropertyItem* b) {
                        return a->caption().compare(b->caption(), Qt::CaseInsensitive) < 0;
                    });
            out.insert(out.end(), group.begin(), group.end());
        }
        group.clear();
    };
    PropertyItem* header = nullptr;
    std::vector<PropertyItem*> group;
    for (const auto& item : m_items) {
        if (item->kind() == PropertyKind::Header) {
            flush(header, group);
            header = item.get();
        } else {
            group.push_back(item.get());
        }
    }
    flush(header, group);
    return out;
}

PropertyItem* PropertyCollection::headerOf(const PropertyItem* item) const {
    PropertyItem* header = nullptr;
    for (const auto& it : m_items) {
        if (it.get() == item)
            return it->kind() == PropertyKind::Header ? nullptr : header;
        if (it->kind() == PropertyKind::Header)
            header = it.get();
    }
    return nullptr;
}

void PropertyCollection::setExpanded(PropertyItem& header, bool expanded) {
    if (header.kind() != PropertyKind::Header || header.m_expanded == expanded)
        return;
    header.m_expanded = expanded;
    emit layoutChanged();
}

void PropertyCollection::setHighlighted(PropertyItem* item) {
    for (const auto& it : m_items) {
        const bool on = it.get() == item;
        if (it->m_highlighted != on) {
            it->m_highlighted = on;
            emit itemChanged(it.get());
        }
    }
}

} // namespace tav::propertylist
