#pragma once
// One element of a presentation layout document: its name, its attributes in stored
// order, its child elements, and the line it was read from. The documents carry no text
// content; every setting is an attribute.
#include <QList>
#include <QPair>
#include <QString>

namespace tav::gridlayout {

struct LayoutNode {
    QString name;
    QList<QPair<QString, QString>> attributes;
    QList<LayoutNode> children;
    int line = 0;

    LayoutNode() = default;
    explicit LayoutNode(QString elementName) : name(std::move(elementName)) {}

    bool hasAttribute(const QString& key) const;
    // The attribute's value; empty when it is missing.
    QString attribute(const QString& key) const;
    LayoutNode& setAttribute(const QString& key, const QString& value);
    LayoutNode& append(LayoutNode child);

    // <Prop name=".." value=".."/> with optional extra attributes after those two.
    static LayoutNode prop(const QString& propName, const QString& value);

    // Same document content; the line read from plays no part.
    friend bool operator==(const LayoutNode& a, const LayoutNode& b) {
        return a.name == b.name && a.attributes == b.attributes && a.children == b.children;
    }
};

// A <Prop> of a column or value item: name and value, then any further attributes
// (`type`, `index`) in stored order.
struct ItemProp {
    QString name;
    QString value;
    QList<QPair<QString, QString>> extra;
    int line = 0;

    QString extraAttribute(const QString& key) const;
    // Raises LayoutError unless the node is a <Prop> with a name and a value.
    static ItemProp fromNode(const LayoutNode& node, const QString& document);
    LayoutNode toNode() const;
};

// Finds a property by name in a list; nullptr when absent.
const ItemProp* findProp(const QList<ItemProp>& props, const QString& name);

} // namespace tav::gridlayout
