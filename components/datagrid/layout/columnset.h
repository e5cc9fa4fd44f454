#pragma once
// The stored columns of a grid: how many head columns stand at the left, and for each
// column its key, settings (DBField, DataType, Width in twips, ...), editor control
// settings and optional column style.
#include "layoutnode.h"
#include "stylesheet.h"

#include <optional>

namespace tav::gridlayout {

struct ColumnSpec {
    QString key;
    QList<ItemProp> props;
    bool hasControl = false;
    QList<ItemProp> control;
    std::optional<Style> style; // ColumnStyle: its BasedOn names a style of the sheet
    int line = 0;

    QString prop(const QString& name) const;
    QString dbField() const { return prop(QStringLiteral("DBField")); }
    int widthTwips() const { return prop(QStringLiteral("Width")).toInt(); }
};

class ColumnSet {
  public:
    // Reads a Columns document; numbers are checked where numbers belong. Column styles
    // are checked against a style sheet separately (checkStyles).
    static ColumnSet fromDocument(const LayoutNode& root,
                                  const QString& document = QStringLiteral("columns"));
    LayoutNode toDocument() const;
    // Raises LayoutError when a column style is based on a style the sheet lacks.
    void checkStyles(const StyleSheet& sheet,
                     const QString& document = QStringLiteral("columns")) const;

    int headCols() const { return m_headCols; }
    const QList<ColumnSpec>& columns() const { return m_columns; }
    const ColumnSpec* find(const QString& key) const;

  private:
    int m_headCols = 0;
    QList<ColumnSpec> m_columns;
};

} // namespace tav::gridlayout
