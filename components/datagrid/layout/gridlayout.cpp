#include "gridlayout.h"

#include "layoutdocument.h"

namespace tav::gridlayout {

GridLayout GridLayout::fromDocuments(const QByteArray& styles, const QByteArray& columns,
                                     const QByteArray& valueItems, const GridSettings& settings) {
    GridLayout layout;
    layout.styles =
        StyleSheet::fromDocument(LayoutDocument::read(styles, QStringLiteral("styles")));
    layout.columns =
        ColumnSet::fromDocument(LayoutDocument::read(columns, QStringLiteral("columns")));
    layout.columns.checkStyles(layout.styles);
    layout.valueItems = ValueItemsCollection::fromDocument(
        LayoutDocument::read(valueItems, QStringLiteral("valueitems")));
    for (const ValueItemList& list : layout.valueItems.lists())
        if (!layout.columns.find(list.key))
            throw LayoutError(QStringLiteral("valueitems"), list.line, QStringLiteral("ValueItems"),
                              QStringLiteral("no column with the key '%1'").arg(list.key));
    layout.settings = settings;
    return layout;
}

QList<ColumnSpec> GridLayout::headColumns() const {
    return columns.columns().mid(0, columns.headCols());
}

QList<ColumnSpec> GridLayout::dataColumns() const {
    return columns.columns().mid(columns.headCols());
}

} // namespace tav::gridlayout
