#pragma once
// One row of a property list: caption, kind, value text, list entries and the
// state the list keeps for it (highlight, expansion of a header).
#include "variant.h"

#include <QFont>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace tav::propertylist {

class PropertyCollection;

// Row kinds as the hosts pass them to add().
enum class PropertyKind : int32_t {
    Text = 0,
    Numeric = 1,  // optional sign, digits, one decimal point
    Boolean = 2,  // True / False
    Browse = 3,   // a "..." button that raises Browse
    DropDown = 5, // a list of the item's entries
    Custom = 6,   // painted by the host through DrawItem
    Header = 7    // groups the rows that follow it; expands and collapses
};

// True for the kind numbers the list knows.
bool isKnownPropertyKind(int32_t kind);

class PropertyItem {
  public:
    PropertyItem(const PropertyItem&) = delete;
    PropertyItem& operator=(const PropertyItem&) = delete;

    const QString& caption() const { return m_caption; }
    PropertyKind kind() const { return m_kind; }

    const QString& value() const { return m_value; }
    // Writing the value from code repaints the row; it raises no ValueChanged.
    void setValue(const QString& value);

    // List entries of a drop-down row; an array of any variants, shown as their text.
    const VariantArray& listEntries() const { return m_entries; }
    void setListEntries(const VariantArray& entries);
    // Accepts a variant array (raises 13 for anything else); Empty clears the entries.
    void setListEntries(const Variant& entries);
    QStringList listTexts() const;

    // The flag: non-zero makes the row read-only to the user (its host can still
    // write the value); 0, the default, leaves it editable.
    int32_t flag() const { return m_flag; }
    void setFlag(int32_t flag);
    bool isReadOnly() const { return m_flag != 0; }

    // The text of the label column; the caption unless set otherwise.
    const QString& labelText() const { return m_label; }
    void setLabelText(const QString& text);

    // Highlight state: the row is the list's selected row (automation boolean form too).
    bool isHighlighted() const { return m_highlighted; }
    int16_t highlightState() const { return vbBool(m_highlighted); }

    // Headers only: whether the rows of the group are shown.
    bool isExpanded() const { return m_expanded; }

    // Extra text of the row, shown as its tool tip (the second optional argument of add).
    const QString& description() const { return m_description; }

    const QPixmap& picture() const { return m_picture; }
    const std::optional<QFont>& font() const { return m_font; }

    // Whether the user can change the value in place (text, numeric, Boolean, drop-down
    // and custom-drawn rows that are not read-only).
    bool hasInPlaceEditor() const;

  private:
    friend class PropertyCollection;
    PropertyItem(PropertyCollection& owner, QString caption, PropertyKind kind, QString value);
    void changed(bool layout = false);

    PropertyCollection& m_owner;
    QString m_caption;
    PropertyKind m_kind;
    QString m_value;
    VariantArray m_entries;
    int32_t m_flag = 0;
    QString m_label;
    QString m_description;
    QPixmap m_picture;
    std::optional<QFont> m_font;
    bool m_highlighted = false;
    bool m_expanded = true;
};

} // namespace tav::propertylist
