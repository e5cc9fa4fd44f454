#include "valueitems.h"

#include "layouterror.h"

namespace tav::gridlayout {

namespace {
const QString DataElement = QStringLiteral("ValueItemsData");

QString settingOf(const QList<QPair<QString, QString>>& settings, const QString& key) {
    for (const auto& s : settings)
        if (s.first == key)
            return s.second;
    return {};
}
} // namespace

int ValueItem::order() const {
    const ItemProp* p = findProp(props, QStringLiteral("Order"));
    return p ? p->value.toInt() : 0;
}

QString ValueItem::value() const {
    const ItemProp* p = findProp(props, QStringLiteral("Value"));
    return p ? p->value : QString();
}

QString ValueItem::display() const {
    const ItemProp* p = findProp(props, QStringLiteral("Display"));
    return p ? p->value : QString();
}

std::optional<int> ValueItem::pictureIndex() const {
    const ItemProp* p = findProp(props, QStringLiteral("Picture"));
    if (!p)
        return std::nullopt;
    bool ok = false;
    const int index = p->extraAttribute(QStringLiteral("index")).toInt(&ok);
    return ok ? std::optional<int>(index) : std::nullopt;
}

bool ValueItemList::translate() const {
    return settingOf(settings, QStringLiteral("translate")).toInt() != 0;
}

int ValueItemList::defaultIndex() const {
    bool ok = false;
    const int v = settingOf(settings, QStringLiteral("default")).toInt(&ok);
    return ok ? v : -1;
}

const ValueItem* ValueItemList::itemFor(const QString& value) const {
    for (const ValueItem& item : items)
        if (item.value() == value)
            return &item;
    const int d = defaultIndex();
    return d >= 0 && d < items.size() ? &items[d] : nullptr;
}

ValueItemsCollection ValueItemsCollection::fromDocument(const LayoutNode& root,
                                                        const QString& document) {
    if (root.name != QStringLiteral("ValueItemsCollection"))
        throw LayoutError(document, root.line, root.name,
                          QStringLiteral("the root element must be <ValueItemsCollection>"));
    ValueItemsCollection out;
    for (const LayoutNode& node : root.children) {
        if (node.name != QStringLiteral("ValueItems") || !node.hasAttribute(QStringLiteral("key")))
            throw LayoutError(document, node.line, node.name,
                              QStringLiteral("expected <ValueItems key=\"...\">"));
        if (node.children.size() != 1 || node.children[0].name != DataElement)
            throw LayoutError(document, node.line, node.name,
                              QStringLiteral("expected one <ValueItemsData>"));
        const LayoutNode& data = node.children[0];
        ValueItemList list{node.attribute(QStringLiteral("key")), data.attributes, {}, node.line};
        for (const auto& [key, value] : data.attributes) {
            bool ok = false;
            value.toInt(&ok);
            if (!ok)
                throw LayoutError(
                    document, data.line, data.name,
                    QStringLiteral("setting '%1' has the malformed value '%2'").arg(key, value));
        }
        for (const LayoutNode& itemNode : data.children) {
            if (itemNode.name != QStringLiteral("Item"))
                throw LayoutError(document, itemNode.line, itemNode.name,
                                  QStringLiteral("expected <Item>"));
            ValueItem item;
            item.line = itemNode.line;
            for (const LayoutNode& p : itemNode.children)
                item.props.append(ItemProp::fromNode(p, document));
            if (!findProp(item.props, QStringLiteral("Value")))
                throw LayoutError(document, itemNode.line, itemNode.name,
                                  QStringLiteral("an item needs a Value"));
            if (const ItemProp* pic = findProp(item.props, QStringLiteral("Picture"));
                pic && !pic->extraAttribute(QStringLiteral("index")).isEmpty() &&
                !item.pictureIndex())
                throw LayoutError(document, pic->line, QStringLiteral("Prop"),
                                  QStringLiteral("malformed picture index"));
            list.items.append(std::move(item));
        }
        if (out.find(list.key))
            throw LayoutError(document, node.line, node.name,
                              QStringLiteral("value items for '%1' defined twice").arg(list.key));
        out.m_lists.append(std::move(list));
    }
    return out;
}

LayoutNode ValueItemsCollection::toDocument() const {
    LayoutNode root(QStringLiteral("ValueItemsCollection"));
    for (const ValueItemList& list : m_lists) {
        LayoutNode& node = root.append(LayoutNode(QStringLiteral("ValueItems")));
        node.setAttribute(QStringLiteral("key"), list.key);
        LayoutNode& data = node.append(LayoutNode(DataElement));
        data.attributes = list.settings;
        for (const ValueItem& item : list.items) {
            LayoutNode& itemNode = data.append(LayoutNode(QStringLiteral("Item")));
            for (const ItemProp& p : item.props)
                itemNode.append(p.toNode());
        }
    }
    return root;
}

const ValueItemList* ValueItemsCollection::find(const QString& key) const {
    for (const ValueItemList& l : m_lists)
        if (l.key == key)
            return &l;
    return nullptr;
}

} // namespace tav::gridlayout
