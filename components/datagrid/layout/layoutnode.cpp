#include "layoutnode.h"

#include "layouterror.h"

namespace tav::gridlayout {

bool LayoutNode::hasAttribute(const QString& key) const {
    for (const auto& a : attributes)
        if (a.first == key)
            return true;
    return false;
}

QString LayoutNode::attribute(const QString& key) const {
    for (const auto& a : attributes)
        if (a.first == key)
            return a.second;
    return {};
}

LayoutNode& LayoutNode::setAttribute(const QString& key, const QString& value) {
    for (auto& a : attributes)
        if (a.first == key) {
            a.second = value;
            return *this;
        }
    attributes.append({key, value});
    return *this;
}

LayoutNode& LayoutNode::append(LayoutNode child) {
    children.append(std::move(child));
    return children.back();
}

LayoutNode LayoutNode::prop(const QString& propName, const QString& value) {
    LayoutNode n(QStringLiteral("Prop"));
    n.attributes = {{QStringLiteral("name"), propName}, {QStringLiteral("value"), value}};
    return n;
}

QString ItemProp::extraAttribute(const QString& key) const {
    for (const auto& a : extra)
        if (a.first == key)
            return a.second;
    return {};
}

ItemProp ItemProp::fromNode(const LayoutNode& node, const QString& document) {
    if (node.name != QStringLiteral("Prop"))
        throw LayoutError(document, node.line, node.name, QStringLiteral("expected <Prop>"));
    if (node.attributes.size() < 2 || node.attributes[0].first != QStringLiteral("name") ||
        node.attributes[1].first != QStringLiteral("value"))
        throw LayoutError(document, node.line, node.name,
                          QStringLiteral("a property needs a name and a value"));
    if (!node.children.isEmpty())
        throw LayoutError(document, node.line, node.name,
                          QStringLiteral("a property holds no elements"));
    return ItemProp{node.attributes[0].second, node.attributes[1].second, node.attributes.mid(2),
                    node.line};
}

LayoutNode ItemProp::toNode() const {
    LayoutNode n = LayoutNode::prop(name, value);
    n.attributes.append(extra);
    return n;
}

const ItemProp* findProp(const QList<ItemProp>& props, const QString& name) {
    for (const ItemProp& p : props)
        if (p.name == name)
            return &p;
    return nullptr;
}

} // namespace tav::gridlayout
