#pragma once
// The in-place editor of one row: a line edit for text, numbers and custom-drawn
// rows, a pick list for Boolean and drop-down rows. It only holds the edited text;
// the list decides when to commit it.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QLineEdit;

namespace tav::propertylist {

class PickComboBox;
class PropertyItem;

class PropertyEditor {
  public:
    struct Hooks {
        std::function<void(int)> picked;   // an entry was picked from the opened list
        std::function<void()> beforePopup; // the list is about to open
    };

    // `choices` are the entries of a drop-down row; Boolean rows offer True and False.
    PropertyEditor(const PropertyItem& item, const QStringList& choices, QWidget* parent,
                   Hooks hooks);
    ~PropertyEditor();
    PropertyEditor(const PropertyEditor&) = delete;
    PropertyEditor& operator=(const PropertyEditor&) = delete;

    QWidget* widget() const { return m_widget; }
    bool isList() const { return m_combo != nullptr; }
    // The text a commit now would store: what was typed, the entry chosen, or the
    // stored value while no entry is chosen.
    QString text() const;
    // Whether the user typed or chose anything, even if it gives back the stored text.
    bool isTouched() const { return *m_touched; }

    // Accepts an optional sign, digits and one decimal point, and every prefix of such.
    static bool isNumericText(const QString& text);

  private:
    QPointer<QWidget> m_widget;
    QLineEdit* m_line = nullptr;
    PickComboBox* m_combo = nullptr;
    QString m_initial;
    std::shared_ptr<bool> m_touched = std::make_shared<bool>(false);
};

} // namespace tav::propertylist
