#pragma once
// One accessible object of the desktop's bus, owned by reference count.
#include "element.h"
#include "gobjectptr_p.h"

typedef struct _AtspiAccessible AtspiAccessible;
typedef struct _AtspiTable AtspiTable;
typedef struct _GError GError;

namespace checkall {

// Sets the library's call timeout to what the next call may take; false once the step under
// way is over, and the call is then not made.
bool beginCall();

class AtspiElement : public Element {
  public:
    // Takes over the reference `adopted` (null gives null).
    static std::shared_ptr<Element> adopt(AtspiAccessible* adopted);
    explicit AtspiElement(AtspiAccessible* adopted) : m_p(adopted) {}

    bool same(const Element& other) const override;
    void uncached() const override;
    QString name() const override;
    QString roleName() const override;
    int role() const override;
    int processId() const override;
    int childCount() const override;
    std::shared_ptr<Element> child(int index) const override;
    std::shared_ptr<Element> parent() const override;
    bool showing() const override;
    bool hasState(int state) const override;
    QRect extents() const override;
    QStringList actions() const override;
    bool act(int index) const override;
    bool grabFocus() const override;
    QString text() const override;
    int rows() const override;
    int columns() const override;
    std::shared_ptr<Element> cell(int row, int column) const override;
    QString columnHeader(int column) const override;

  private:
    using TableCount = int (*)(AtspiTable*, GError**);
    int tableCount(TableCount askTable) const;

    GObjectPtr<AtspiAccessible> m_p;
};

} // namespace checkall
