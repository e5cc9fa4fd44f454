// How the grid reads a layout's codes, draws its head-column pictures, and falls back
// to its defaults when a layout is refused.
#include "celllook.h"
#include "connectionto.h"
#include "datagrid.h"
#include "headpictures.h"
#include "olecolor.h"
#include "testdb.h"
#include "testsupport.h"
#include "units.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace tav;
using namespace tav::datagrid;

namespace {

TEST(GridLook, AlignmentCodes) {
    const std::pair<int, Qt::Alignment> table[] = {
        {0, Qt::AlignLeft | Qt::AlignTop},        {1, Qt::AlignLeft | Qt::AlignVCenter},
        {2, Qt::AlignLeft | Qt::AlignBottom},     {3, Qt::AlignHCenter | Qt::AlignTop},
        {4, Qt::AlignHCenter | Qt::AlignVCenter}, {5, Qt::AlignHCenter | Qt::AlignBottom},
        {6, Qt::AlignRight | Qt::AlignTop},       {8, Qt::AlignRight | Qt::AlignBottom},
        {9, Qt::AlignLeft | Qt::AlignVCenter},    {42, Qt::AlignLeft | Qt::AlignTop},
    };
    for (const auto& [code, alignment] : table)
        EXPECT_EQ(CellLook::alignmentFromCode(code), alignment) << code;
}

TEST(GridLook, ColourAndFontSizeValues) {
    EXPECT_EQ(CellLook::colorFromValue(-2147483640), oleColor(syscolor::WindowText));
    EXPECT_EQ(CellLook::colorFromValue(-2147483636), oleColor(syscolor::ApplicationWorkspace));
    EXPECT_EQ(CellLook::colorFromValue(15195094), QColor(214, 219, 231));
    EXPECT_EQ(CellLook::colorFromValue(65793), QColor(1, 1, 1));
    EXPECT_DOUBLE_EQ(CellLook::pointsFromSize(QStringLiteral("0;82500")), 8.25);
    EXPECT_DOUBLE_EQ(CellLook::pointsFromSize(QStringLiteral("0;120000")), 12.0);
    EXPECT_EQ(CellLook::pointsFromSize(QStringLiteral("8.25")), 0);
}

TEST(GridLook, EvenOddColoursOnlyBehindRowsOfTheRootBackground) {
    gridlayout::ResolvedStyle s;
    s.props.insert(QStringLiteral("EvenOddStyle"),
                   {QStringLiteral("1"), QStringLiteral("Normal"), true});
    s.props.insert(QStringLiteral("EvenColor"),
                   {QStringLiteral("255"), QStringLiteral("Normal"), true});
    s.props.insert(QStringLiteral("OddColor"),
                   {QStringLiteral("65280"), QStringLiteral("Normal"), true});
    s.props.insert(QStringLiteral("BackColor"),
                   {QStringLiteral("0"), QStringLiteral("Normal"), true});
    const CellLook normal = CellLook::fromStyle(s);
    EXPECT_EQ(normal.backgroundFor(0), QColor(0, 255, 0)) << "the first row is odd";
    EXPECT_EQ(normal.backgroundFor(1), QColor(255, 0, 0));
    s.props[QStringLiteral("BackColor")].origin = QStringLiteral("Frozen");
    EXPECT_EQ(CellLook::fromStyle(s).backgroundFor(1), QColor(0, 0, 0))
        << "a style's own back colour wins";
}

QImage drawn(HeadPicture picture, qreal dpr) {
    QImage img(QSize(16, 16) * dpr, QImage::Format_ARGB32);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::white);
    QPainter p(&img);
    paintHeadPicture(p, QRectF(0, 0, 16, 16), picture, Qt::black);
    return img;
}

int darkPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qGray(img.pixel(x, y)) < 96;
    return n;
}

TEST(GridLook, HeadPicturesAreDistinctAndScaleWithTheDevice) {
    const std::pair<int, HeadPicture> indexes[] = {
        {32786, HeadPicture::Pointer}, {32772, HeadPicture::Pencil}, {32773, HeadPicture::Star},
        {32775, HeadPicture::Alert},   {32774, HeadPicture::None},   {0, HeadPicture::None}};
    for (const auto& [index, picture] : indexes)
        EXPECT_EQ(headPictureForIndex(index), picture) << index;

    EXPECT_EQ(darkPixels(drawn(HeadPicture::None, 1)), 0);
    const HeadPicture all[] = {HeadPicture::Pointer, HeadPicture::Pencil, HeadPicture::Star,
                               HeadPicture::Alert};
    QList<QImage> seen;
    for (HeadPicture picture : all) {
        const QImage one = drawn(picture, 1);
        const QImage two = drawn(picture, 2);
        EXPECT_GT(darkPixels(one), 4);
        // Drawn at the device's resolution, not scaled up: about four times the dark pixels.
        EXPECT_GT(darkPixels(two), 3 * darkPixels(one));
        EXPECT_FALSE(seen.contains(one)) << "each picture differs";
        seen << one;
    }
    // The pointer is a solid triangle pointing right: its centre is filled, the left
    // edge at mid-height is not, and it is wider at the left than at the right.
    const QImage pointer = drawn(HeadPicture::Pointer, 1);
    EXPECT_LT(qGray(pointer.pixel(7, 8)), 96);
    EXPECT_GT(qGray(pointer.pixel(2, 8)), 200);
}

QByteArray utf16(const QString& s) {
    return QStringEncoder(QStringConverter::Utf16LE).encode(s);
}

TEST(GridLook, RefusedLayoutLeavesTheGridWithItsDefaults) {
    const QString styles = QStringLiteral(
        "<Styles>\n <Style name=\"Normal\">\n  <StyleData>\n   <Prop name=\"BasedOn\" "
        "value=\"\"/>\n"
        "   <Prop name=\"BackColor\" value=\"255\"/>\n  </StyleData>\n </Style>\n"
        " <Style name=\"Selection\">\n  <StyleData>\n   <Prop name=\"BasedOn\" value=\"Normal\"/>\n"
        "  </StyleData>\n </Style>\n</Styles>\n");
    const QString columns = QStringLiteral(
        "<Columns headCols=\"1\">\n <Column key=\"Col0\">\n  <Prop name=\"Width\" "
        "value=\"330\"/>\n </Column>\n"
        " <Column key=\"F\">\n  <Prop name=\"Width\" value=\"1200\"/>\n </Column>\n</Columns>\n");
    const QString items = QStringLiteral("<ValueItemsCollection>\n</ValueItemsCollection>\n");
    DataGrid grid;
    const int defaultHead = grid.verticalHeader()->width();
    ASSERT_TRUE(grid.loadGridLayout(utf16(styles), utf16(columns), utf16(items),
                                    {true, QStringLiteral("Drag")}))
        << grid.layoutError().toStdString();
    EXPECT_TRUE(grid.cellLooks().has_value());
    EXPECT_EQ(grid.cellLooks()->normal.back, QColor(255, 0, 0));
    EXPECT_EQ(grid.cellLooks()->currentCell.back, QColor(255, 0, 0))
        << "missing styles draw as Normal";
    EXPECT_EQ(grid.verticalHeader()->width(), twipsToPixels(330));
    EXPECT_EQ(grid.horizontalHeader()->defaultSectionSize(), twipsToPixels(1200));
    EXPECT_TRUE(grid.groupByBoxShown());
    EXPECT_EQ(grid.headPicture(0), HeadPicture::None) << "no value items, no picture";

    struct Case {
        const char* name;
        QString styles, columns;
        QString mentions;
    };
    const Case cases[] = {
        {"SelectionBasedOnItself",
         QString(styles).replace("value=\"Normal\"", "value=\"Selection\""), columns,
         "styles, line 8, <Style>: BasedOn cycle: Selection -> Selection"},
        {"ColumnOnUnknownStyle", styles,
         QString(columns).replace(
             "</Column>\n</Columns>",
             "<ColumnStyle name=\"\">\n<StyleData>\n<Prop name=\"BasedOn\" value=\"Nope\"/>\n"
             "</StyleData>\n</ColumnStyle>\n</Column>\n</Columns>"),
         "columns, line 7, <ColumnStyle>: style '' is based on the unknown style 'Nope'"},
        {"NotXml", QStringLiteral("<Styles><Style"), columns, "styles, line 1"},
        {"Empty", QString(), columns, "styles: the document is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(grid.loadGridLayout(utf16(c.styles), utf16(c.columns), utf16(items)));
        EXPECT_TRUE(grid.layoutError().startsWith(c.mentions)) << grid.layoutError().toStdString();
        EXPECT_FALSE(grid.gridLayout().has_value());
        EXPECT_FALSE(grid.cellLooks().has_value());
        EXPECT_FALSE(grid.columnHeaderLook().has_value());
        EXPECT_FALSE(grid.groupByBoxShown());
        EXPECT_EQ(grid.verticalHeader()->width(), defaultHead);
        EXPECT_TRUE(grid.showGrid());
    }
}

// Which look a cell is drawn in: selection with and without the focus, the current
// cell, the rest of the current row, other rows.
TEST(GridLook, CellStateChoosesTheLook) {
    test::TempDir dir;
    const QString db = dir.file(QStringLiteral("dbEquip.mdb"));
    test::makeDatabase(db, {QStringLiteral("create table t(a text, b text)"),
                            QStringLiteral("insert into t values('', '')"),
                            QStringLiteral("insert into t values('', '')")});
    ado::Recordset rs;
    rs.setActiveConnection(test::connectionTo(db));
    rs.open(QStringLiteral("Select * from t"), ado::adOpenStatic, ado::adLockReadOnly, -1);
    const QString styles = QStringLiteral(
        "<Styles>\n"
        " <Style name=\"Normal\">\n  <StyleData>\n   <Prop name=\"BasedOn\" value=\"\"/>\n"
        "   <Prop name=\"BackColor\" value=\"16777215\"/>\n   <Prop name=\"CellPadding\" "
        "value=\"60\"/>\n"
        "  </StyleData>\n </Style>\n"
        " <Style name=\"CurrentRow\">\n  <StyleData>\n   <Prop name=\"BasedOn\" "
        "value=\"Normal\"/>\n"
        "   <Prop name=\"BackColor\" value=\"255\"/>\n  </StyleData>\n </Style>\n"
        " <Style name=\"CurrentCell\">\n  <StyleData>\n   <Prop name=\"BasedOn\" "
        "value=\"CurrentRow\"/>\n"
        "   <Prop name=\"BackColor\" value=\"65280\"/>\n  </StyleData>\n </Style>\n"
        " <Style name=\"Selection\">\n  <StyleData>\n   <Prop name=\"BasedOn\" value=\"Normal\"/>\n"
        "   <Prop name=\"BackColor\" value=\"16711680\"/>\n  </StyleData>\n </Style>\n"
        " <Style name=\"InactiveSelection\">\n  <StyleData>\n   <Prop name=\"BasedOn\" "
        "value=\"Selection\"/>\n"
        "   <Prop name=\"BackColor\" value=\"8421504\"/>\n  </StyleData>\n </Style>\n"
        "</Styles>\n");
    const QString columns = QStringLiteral("<Columns headCols=\"0\">\n</Columns>\n");
    const QString items = QStringLiteral("<ValueItemsCollection>\n</ValueItemsCollection>\n");
    DataGrid grid;
    ASSERT_TRUE(grid.loadGridLayout(utf16(styles), utf16(columns), utf16(items)))
        << grid.layoutError().toStdString();
    grid.setDataSource(rs);
    grid.setCurrentIndex(grid.model()->index(0, 0));
    const auto backOf = [&](int row, int column, QStyle::State state) {
        QImage img(40, 20, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        QStyleOptionViewItem opt;
        opt.rect = img.rect();
        opt.state = state;
        opt.widget = &grid;
        grid.itemDelegate()->paint(&p, opt, grid.model()->index(row, column));
        p.end();
        return QColor(img.pixel(2, 2));
    };
    EXPECT_EQ(backOf(0, 0, QStyle::State_None), QColor(0, 255, 0)) << "current cell";
    EXPECT_EQ(backOf(0, 1, QStyle::State_None), QColor(255, 0, 0)) << "current row";
    EXPECT_EQ(backOf(1, 1, QStyle::State_None), QColor(255, 255, 255)) << "other row";
    ASSERT_FALSE(grid.hasFocus());
    EXPECT_EQ(backOf(1, 1, QStyle::State_Selected), QColor(128, 128, 128))
        << "selected without focus";
    grid.show();
    QApplication::setActiveWindow(&grid);
    grid.setFocus();
    ASSERT_TRUE(grid.hasFocus());
    EXPECT_EQ(backOf(1, 1, QStyle::State_Selected), QColor(0, 0, 255)) << "selected with focus";
    EXPECT_FALSE(grid.verticalHeader()->isVisible()) << "no head column stored";
}

} // namespace
