#pragma once
// A two-column property list (label, value) with a movable divider, in-place editors
// per row kind, headers that group and fold the rows after them, and callbacks into
// a host through IPropEventSink.
//
// Commit points: an edit commits on Enter, Tab/Shift+Tab, loss of focus, a change of
// the selected row or a pick from an opened list, and raises ValueChanged once when
// the user typed or chose something (even the stored text again); an editor opened
// and left untouched raises nothing. Esc reverts. Writing a value from code raises
// nothing and repaints the row.
#include "propertycollection.h"
#include "propeventsink.h"

#include <QAbstractScrollArea>

#include <map>
#include <memory>

class QAbstractButton;
class QToolButton;

namespace tav::propertylist {

class PropertyEditor;

class PropertyList : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit PropertyList(QWidget* parent = nullptr);
    ~PropertyList() override;

    // The host that receives the callbacks; null detaches it. A host detaches itself
    // before it is destroyed.
    void setEventSink(IPropEventSink* sink) { m_sink = sink; }
    IPropEventSink* eventSink() const { return m_sink; }

    PropertyCollection& properties() { return m_props; }
    const PropertyCollection& properties() const { return m_props; }

    // Rows of each header's group are shown ordered by caption (see PropertyCollection).
    bool isSorted() const { return m_sorted; }
    void setSorted(bool sorted);

    // Colour of the value text, as a colour value (RGB or system colour).
    uint32_t foreColor() const { return m_foreColor; }
    void setForeColor(uint32_t color);
    // 0 no border, 1 a single line.
    int borderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);

    // x of the divider between label and value column, in viewport pixels.
    int dividerPosition() const;
    void setDividerPosition(int x);

    int rowHeight() const;
    // Row rectangle in viewport pixels; empty when the row is not shown.
    QRect rowRect(const PropertyItem& item) const;
    PropertyItem* itemAt(const QPoint& viewportPos) const;
    const std::vector<PropertyItem*>& visibleRows() const { return m_rows; }

    PropertyItem* selectedItem() const { return m_selected; }
    // Selects a shown row (commits an edit in progress on another row first).
    void select(PropertyItem* item);

    // Starts editing the selected row: the in-place editor, the Browse callback of a
    // browse row or the folding of a header. False when the row has nothing to edit.
    bool beginEdit();
    bool isEditing() const { return m_editItem != nullptr; }
    PropertyItem* editingItem() const { return m_editItem; }
    QWidget* editorWidget() const;
    void commitEdit();
    void cancelEdit();

    void setExpanded(PropertyItem& header, bool expanded);
    // Raises Browse for a browse row, as its "..." button does.
    void browse(PropertyItem& item);
    QAbstractButton* browseButton(const PropertyItem& item) const;

    // The text a row shows in its value column (for a custom-drawn row as the host
    // answers QueryCustomData).
    QString displayValue(PropertyItem& item);
    // The tool tip at a viewport position: the label or value when it is too long to
    // show, else the row's description; empty for none.
    QString toolTipAt(const QPoint& viewportPos);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    bool viewportEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    // Calls the host, if any, containing whatever it throws. False when the host failed
    // or there is none.
    template <class F> bool callHost(F&& call);

    void relayout();
    void ensureVisible(const PropertyItem& item);
    void paintRow(QPainter& p, PropertyItem& item, const QRect& r);
    void paintHeader(QPainter& p, PropertyItem& item, const QRect& r);
    bool paintCustom(QPainter& p, PropertyItem& item, const QRect& r);
    int textStart(const PropertyItem& item, const QRect& r) const;
    QRect valueRect(const QRect& row) const;
    QStringList choicesFor(PropertyItem& item);
    void openEditor(PropertyItem& item);
    void closeEditor();
    void applyValue(PropertyItem& item, const QString& text);
    bool editorKey(QKeyEvent* e);
    // Moves the selection to the next or previous row that can be edited (headers
    // skipped); false at the end of the list.
    bool moveToEditable(bool next);
    void moveSelection(int delta);
    void layoutBrowseButtons();
    void syncBrowseButtons();

    PropertyCollection m_props;
    IPropEventSink* m_sink = nullptr;
    std::vector<PropertyItem*> m_rows;
    PropertyItem* m_selected = nullptr;
    PropertyItem* m_editItem = nullptr;
    std::unique_ptr<PropertyEditor> m_editor;
    std::map<const PropertyItem*, QToolButton*> m_browseButtons;
    bool m_sorted = false;
    bool m_closingEditor = false;
    bool m_tearingDown = false;
    bool m_draggingDivider = false;
    uint32_t m_foreColor = 0x80000008;
    int m_borderStyle = 1;
    double m_dividerRatio = 0.45; // the divider follows the width until dragged
    int m_dividerX = -1;
};

} // namespace tav::propertylist
