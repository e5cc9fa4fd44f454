#pragma once
// A grid's whole presentation layout: the three documents (named styles, columns,
// value items) and the scalar settings the grid keeps beside them.
#include "columnset.h"
#include "stylesheet.h"
#include "valueitems.h"

#include <QByteArray>

namespace tav::gridlayout {

struct GridSettings {
    bool groupByBoxVisible = false;
    QString groupByPrompt;
};

struct GridLayout {
    StyleSheet styles;
    ColumnSet columns;
    ValueItemsCollection valueItems;
    GridSettings settings;

    // Reads the three documents and checks them against each other (column styles and
    // value-item keys name what exists). Raises LayoutError at the first fault.
    static GridLayout fromDocuments(const QByteArray& styles, const QByteArray& columns,
                                    const QByteArray& valueItems,
                                    const GridSettings& settings = {});

    // The head columns, then the other columns, as stored.
    QList<ColumnSpec> headColumns() const;
    QList<ColumnSpec> dataColumns() const;
};

} // namespace tav::gridlayout
