#pragma once
// The rows of a property list in the order they were added, with lookup by caption
// and the order the list shows them in (groups under headers, optionally sorted).
// No widget code: the list widget watches the signals.
#include "propertyitem.h"

#include <QObject>

#include <memory>
#include <vector>

namespace tav::propertylist {

class PropertyCollection : public QObject {
    Q_OBJECT
  public:
    explicit PropertyCollection(QObject* parent = nullptr);
    ~PropertyCollection() override;

    // Adds a row at the end. `entries` may hold the list entries (a variant array),
    // `description` the row's tool tip text; both may be missing (Empty). An unknown
    // kind raises 5.
    PropertyItem& add(const QString& caption, int32_t kind, const QString& value,
                      const Variant& entries = {}, const Variant& description = {},
                      const QPixmap& picture = {}, const std::optional<QFont>& font = {});

    // The first row (in the order added) whose caption equals the key exactly, or for a
    // numeric key the row at that 1-based position. Raises the "element not found" error
    // when there is none.
    PropertyItem& lookup(const Variant& key) const;
    PropertyItem* find(const QString& caption) const;

    int count() const { return int(m_items.size()); }
    PropertyItem& at(int index) const { return *m_items.at(size_t(index)); }
    bool contains(const PropertyItem* item) const;
    int indexOf(const PropertyItem* item) const;

    // Rows as shown: each header followed by its group while expanded, rows before the
    // first header at the top. With `sorted`, each group is ordered by caption
    // (ignoring case, ties in the order added); headers keep their places.
    std::vector<PropertyItem*> displayOrder(bool sorted) const;

    // The header whose group holds the row, or nullptr.
    PropertyItem* headerOf(const PropertyItem* item) const;

    void setExpanded(PropertyItem& header, bool expanded);
    void setHighlighted(PropertyItem* item); // the one highlighted row, or none

  signals:
    void itemChanged(tav::propertylist::PropertyItem* item); // value or looks of one row
    void layoutChanged();                                    // rows added, expanded or collapsed

  private:
    friend class PropertyItem;
    std::vector<std::unique_ptr<PropertyItem>> m_items;
};

} // namespace tav::propertylist
