#include "columnset.h"

#include <QSet>

namespace tav::gridlayout {

namespace {

QList<ItemProp> readProps(const QList<LayoutNode>& nodes, const QString& document,
                          bool allNumeric) {
    static const QSet<QString> numeric{
        QStringLiteral("DataType"),    QStringLiteral("Width"),
        QStringLiteral("Hidden"),      QStringLiteral("ReadOnly"),
        QStringLiteral("DataWidth"),   QStringLiteral("AllowSizing"),
        QStringLiteral("AllowFocus"),  QStringLiteral("FetchCellStyle"),
        QStringLiteral("Frozen"),      QStringLiteral("SortOrder"),
        QStringLiteral("SortType"),    QStringLiteral("MergeCells"),
        QStringLiteral("MaskDataMode")};
    QList<ItemProp> props;
    for (const LayoutNode& n : nodes) {
        ItemProp p = ItemProp::fromNode(n, document);
        bool ok = true;
        if (allNumeric || numeric.contains(p.name))
            p.value.toInt(&ok);
        if (!ok)
            throw LayoutError(
                document, n.line, n.name,
                QStringLiteral("property '%1' has the malformed value '%2'").arg(p.name, p.value));
        props.append(std::move(p));
    }
    return props;
}

} // namespace

QString ColumnSpec::prop(const QString& name) const {
    const ItemProp* p = findProp(props, name);
    return p ? p->value : QString();
}

ColumnSet ColumnSet::fromDocument(const LayoutNode& root, const QString& document) {
    if (root.name != QStringLiteral("Columns"))
        throw LayoutError(document, root.line, root.name,
                          QStringLiteral("the root element must be <Columns>"));
    ColumnSet set;
    bool ok = false;
    set.m_headCols = root.attribute(QStringLiteral("headCols")).toInt(&ok);
    if (!ok || set.m_headCols < 0)
        throw LayoutError(document, root.line, root.name,
                          QStringLiteral("headCols must be a count"));
    for (const LayoutNode& node : root.children) {
        if (node.name != QStringLiteral("Column") || !node.hasAttribute(QStringLiteral("key")))
            throw LayoutError(document, node.line, node.name,
                              QStringLiteral("expected <Column key=\"...\">"));
        ColumnSpec c;
        c.key = node.attribute(QStringLiteral("key"));
        c.line = node.line;
        if (set.find(c.key))
            throw LayoutError(document, node.line, node.name,
                              QStringLiteral("column '%1' defined twice").arg(c.key));
        QList<LayoutNode> props;
        for (const LayoutNode& child : node.children) {
            if (child.name == QStringLiteral("Prop") && !c.hasControl && !c.style) {
                props.append(child);
            } else if (child.name == QStringLiteral("Control") && !c.hasControl && !c.style) {
                c.hasControl = true;
                c.control = readProps(child.children, document, true);
            } else if (child.name == QStringLiteral("ColumnStyle") && !c.style) {
                c.style = Style::fromNode(child, document);
            } else {
                throw LayoutError(document, child.line, child.name,
                                  QStringLiteral("unexpected element in column '%1'").arg(c.key));
            }
        }
        c.props = readProps(props, document, false);
        if (!findProp(c.props, QStringLiteral("Width")))
            throw LayoutError(document, node.line, node.name,
                              QStringLiteral("column '%1' has no Width").arg(c.key));
        set.m_columns.append(std::move(c));
    }
    if (set.m_headCols > set.m_columns.size())
        throw LayoutError(document, root.line, root.name,
                          QStringLiteral("more head columns than columns"));
    return set;
}

LayoutNode ColumnSet::toDocument() const {
    LayoutNode root(QStringLiteral("Columns"));
    root.setAttribute(QStringLiteral("headCols"), QString::number(m_headCols));
    for (const ColumnSpec& c : m_columns) {
        LayoutNode& node = root.append(LayoutNode(QStringLiteral("Column")));
        node.setAttribute(QStringLiteral("key"), c.key);
        for (const ItemProp& p : c.props)
            node.append(p.toNode());
        if (c.hasControl) {
            LayoutNode& control = node.append(LayoutNode(QStringLiteral("Control")));
            for (const ItemProp& p : c.control)
                control.append(p.toNode());
        }
        if (c.style) {
            LayoutNode& style = node.append(LayoutNode(QStringLiteral("ColumnStyle")));
            style.setAttribute(QStringLiteral("name"), c.style->name);
            c.style->appendTo(style);
        }
    }
    return root;
}

void ColumnSet::checkStyles(const StyleSheet& sheet, const QString& document) const {
    for (const ColumnSpec& c : m_columns)
        if (c.style)
            sheet.checkChain(*c.style, document);
}

const ColumnSpec* ColumnSet::find(const QString& key) const {
    for (const ColumnSpec& c : m_columns)
        if (c.key == key)
            return &c;
    return nullptr;
}

} // namespace tav::gridlayout
