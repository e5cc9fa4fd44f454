#pragma once
// Value items: per column, a list that translates cell values into a display text or a
// picture. `translate` on means the cell shows the item instead of the value; `default`
// is the index of the item shown for values not in the list (-1: none).
#include "layoutnode.h"

#include <optional>

namespace tav::gridlayout {

struct ValueItem {
    QList<ItemProp> props; // Order, Value, Display, Picture in stored order
    int line = 0;

    int order() const;
    QString value() const;
    QString display() const;
    // The picture's index, when the item has a picture with one.
    std::optional<int> pictureIndex() const;
};

struct ValueItemList {
    QString key;                             // the column's key
    QList<QPair<QString, QString>> settings; // translate, limit, default, cycle as stored
    QList<ValueItem> items;
    int line = 0;

    bool translate() const;
    int defaultIndex() const;
    // The item for a cell value: the first whose Value equals it, else the default item.
    const ValueItem* itemFor(const QString& value) const;
};

class ValueItemsCollection {
  public:
    static ValueItemsCollection
    fromDocument(const LayoutNode& root, const QString& document = QStringLiteral("valueitems"));
    LayoutNode toDocument() const;

    const QList<ValueItemList>& lists() const { return m_lists; }
    const ValueItemList* find(const QString& key) const;

  private:
    QList<ValueItemList> m_lists;
};

} // namespace tav::gridlayout
