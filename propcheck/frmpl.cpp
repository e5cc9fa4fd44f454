#include "frmpl.h"

#include "appinfo.h"
#include "fonts.h"
#include "formstyle.h"
#include "gdi.h"
#include "messagebox.h"
#include "modgdi.h"

#include <QLabel>

namespace tav::propcheck {

namespace {

constexpr int32_t Navy = 0x800000;
constexpr int32_t White = 0xFFFFFF;
constexpr int32_t Black = 0;
constexpr int32_t Red = 0xFF;
constexpr int32_t Silver = 0xC0C0C0;

// The handler runs with errors resumed: a step that fails is skipped.
template <class F> void resumeNext(F&& step) {
    try {
        step();
    } catch (const VbError&) {
    }
}

} // namespace

frmPL::frmPL(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmPL"));
    setWindowTitle(QStringLiteral("Test Property List"));
    applyFormStyle(this, BorderStyle::FixedToolWindow, 6315, 6105);

    PropertyList1 = new propertylist::PropertyList(this);
    PropertyList1->setObjectName(QStringLiteral("PropertyList1"));
    placeTwips(PropertyList1, 60, 1740, 6195, 4335);
    PropertyList1->setFont(storedFont(QStringLiteral("Tahoma"), 8.25, 400));
    PropertyList1->setForeColor(0x80000012);
    PropertyList1->setBorderStyle(1);
    PropertyList1->setSorted(true);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    placeTwips(Label1, 120, 120, 6075, 1515);
    Label1->setFont(storedFont(QStringLiteral("MS Sans Serif"), 8.25, 700));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setText(
        QStringLiteral("The Property List below should be populated with data. You should see 1 "
                       "Header, a String value, a "
                       "Boolean value, a Browse Button, a Drop down list, a Numeric only, and a "
                       "Custom drawn property that "
                       "should change when you change the Dropdown, or Numeric value."));

    PropertyList1->setFocus(); // tab index 0
    Form_Load();
    applyAccessibleNames(this);
}

frmPL::~frmPL() {
    // Callbacks must not reach this window while it is being torn down (an edit in
    // progress commits when its editor loses the focus).
    PropertyList1->setEventSink(nullptr);
}

void frmPL::Form_Load() {
    m_PropHelp = std::make_unique<PropertyHelp>();
    PropertyList1->setEventSink(this);
    propertylist::PropertyCollection& props = PropertyList1->properties();

    struct Row {
        const char* caption;
        int32_t kind;
        const char* value;
    };
    static constexpr Row rows[] = {
        {"Header 1", 7, ""},
        {"Text String", 0, "Hello World"},
        {"Boolean Value", 2, "True"},
        {"Browse Button", 3, "Click Me!"},
        {"Drop Down", 5, "Drop Down List"},
        {"Numeric Value Only", 1, "0"},
        {"Custom Drawn", 6, "1"},
    };
    for (const Row& row : rows) {
        m_LastProp =
            &props.add(QString::fromUtf8(row.caption), row.kind, QString::fromUtf8(row.value));
        if (m_LastProp->caption() == QLatin1String("Drop Down")) {
            VariantArray entries(0);
            for (int16_t i = 1; i <= 6; ++i)
                entries.append(Variant(i));
            m_LastProp->setListEntries(Variant(entries));
        }
    }
    m_LastProp->setFlag(0);
}

void frmPL::IPropEventSink_Browse(propertylist::PropertyItem& iProp, QString& /*sFillWith*/) {
    const QString caption = iProp.caption();
    const QString value = iProp.value();
    MessageBox::show(caption + QStringLiteral(" - ") + value, mb::OKOnly, AppInfo::title());
}

void frmPL::IPropEventSink_ValueChanged(propertylist::PropertyItem& iProp, QString& sNewValue,
                                        bool& /*Cancel*/) {
    const QString caption = iProp.caption();
    if (caption == QLatin1String("Drop Down") || caption == QLatin1String("Numeric Value Only")) {
        propertylist::PropertyCollection& props = PropertyList1->properties();
        props.lookup(Variant(QStringLiteral("Custom Drawn"))).setValue(sNewValue);
    }
}

void frmPL::IPropEventSink_DrawItem(propertylist::PropertyItem& iProp, HDC hDC, int32_t lLeft,
                                    int32_t lTop, int32_t lRight, int32_t lBottom,
                                    int32_t lStartText, int32_t lStartValue) {
    const int32_t dc = gdi::handleToLong(hDC);
    resumeNext([&] { m_PropHelp->hDC(dc); });

    bool highlighted = false;
    resumeNext([&] { highlighted = iProp.highlightState() != 0; });
    const int32_t labelBack = highlighted ? Navy : White;
    const int32_t labelText = highlighted ? White : Black;
    resumeNext(
        [&] { m_PropHelp->FillGrad(lLeft, lTop, lStartValue, lBottom, labelBack, labelBack); });
    resumeNext([&] {
        m_PropHelp->DrawText(iProp.labelText(), lStartText, lTop, nullptr, nullptr, labelText, 1,
                             true);
    });
    resumeNext([&] { m_PropHelp->FillGrad(lStartValue, lTop, lRight, lBottom - 1, White, White); });

    resumeNext([&] { m_PropHelp->drawline(lLeft, lBottom - 1, lRight, lBottom - 1, Silver, 1); });
    resumeNext([&] { m_PropHelp->drawline(lStartValue, lTop, lStartValue, lBottom, Silver, 1); });
    resumeNext([&] { m_PropHelp->drawline(lLeft - 2, lTop, lLeft - 2, lBottom, Silver, 1); });

    // The box colour and text follow the value; anything that is not a 16-bit number
    // leaves the box black.
    int32_t lColor = Black;
    QString sText;
    if (iProp.value().isEmpty()) {
    } else if (iProp.value() == QLatin1String("0")) {
        lColor = White;
        sText = QStringLiteral("0");
    } else if (iProp.value() == QLatin1String("1")) {
        lColor = Red;
        sText = QStringLiteral("1");
    } else {
        resumeNext([&] { lColor = int32_t(Variant(iProp.value()).toInteger()); });
        sText = iProp.value();
    }

    resumeNext([&] {
        modGDI::PaintColorBox(dc, lColor, lStartValue + 3, lTop + 1, lStartValue + 15, lBottom - 2);
    });
    resumeNext([&] {
        Variant width(int32_t(lRight - lStartValue));
        Variant height(int32_t(lBottom - lTop));
        m_PropHelp->DrawText(sText, lStartValue + 18, lTop, &width, &height, Black, 0, false);
    });
}

} // namespace tav::propcheck
