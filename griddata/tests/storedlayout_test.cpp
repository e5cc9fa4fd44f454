// The stored layouts of datacheck and gridcheck: the documents hold exactly the stored
// styles, columns and value items, survive a read-write-read trip byte for byte, and the
// two programs differ only in their columns' field references and column styles.
#include "connectionto.h"
#include "layoutdocument.h"
#include "olecolor.h"
#include "storedlayout.h"
#include "testdb.h"
#include "testsupport.h"
#include "units.h"

#include <QHeaderView>
#include <QStringDecoder>

#include <gtest/gtest.h>

using namespace tav;
using namespace tav::datagrid;
using namespace tav::gridlayout;
using griddata::GridProgram;

namespace {

const GridProgram Programs[] = {GridProgram::DataCheck, GridProgram::GridCheck};
const char* nameOf(GridProgram p) {
    return p == GridProgram::DataCheck ? "datacheck" : "gridcheck";
}

QStringList propNames(const QList<ItemProp>& props) {
    QStringList out;
    for (const ItemProp& p : props)
        out << p.name;
    return out;
}

TEST(StoredLayout, StylesHoldTheStoredValues) {
    struct Expected {
        const char* name;
        const char* basedOn;
        int ownProps; // besides BasedOn
        bool font;
        std::vector<std::pair<const char*, const char*>> spot;
    };
    const Expected table[] = {
        {"Caption",
         "Heading",
         3,
         false,
         {{"TextAlignment", "5"}, {"LineStyle", "2"}, {"CellBorder", "0"}}},
        {"CurrentCell", "CurrentRow", 0, false, {}},
        {"CurrentRow", "Normal", 0, false, {}},
        {"FilteredRow", "Normal", 0, false, {}},
        {"Frozen", "Normal", 1, false, {{"BackColor", "15195094"}}},
        {"GridBackground",
         "Normal",
         13,
         false,
         {{"BackColor", "-2147483636"}, {"LineStyle", "0"}, {"AlphaContent", "255"}}},
        {"GroupByBox",
         "Normal",
         8,
         false,
         {{"ForeColor", "-2147483633"}, {"BackColor", "10592673"}, {"CellPadding", "65"}}},
        {"GroupByBoxCell", "Normal", 0, false, {}},
        {"GroupFooter", "Normal", 5, false, {{"BackColor", "14737632"}, {"WordWrap", "-1"}}},
        {"GroupHeader", "Normal", 5, false, {{"BackColor", "-2147483633"}, {"TextAlignment", "4"}}},
        {"Heading",
         "Normal",
         13,
         true,
         {{"GridLineColor", "-2147483632"},
          {"Ellipsis", "1"},
          {"DisplayType", "1"},
          {"Appearance", "2"}}},
        {"InactiveSelection", "Selection", 1, false, {{"BackColor", "-2147483645"}}},
        {"Normal",
         "",
         33,
         true,
         {{"ForeColor", "-2147483640"},
          {"OddColor", "-2147483624"},
          {"CellPadding", "15"},
          {"Format", "General"},
          {"PictAlignment", "3"},
          {"BkgPictAlignment", "9"}}},
        {"PageFooter",
         "Normal",
         7,
         false,
         {{"ForeColor", "0"}, {"TextAlignment", "2"}, {"Appearance", "0"}}},
        {"PageHeader", "Normal", 7, false, {{"ForeColor", "65793"}, {"BkgStyle", "0"}}},
        {"PreviewPane", "Normal", 1, false, {{"LineStyle", "0"}}},
        {"Selection",
         "Normal",
         2,
         false,
         {{"ForeColor", "-2147483634"}, {"BackColor", "-2147483635"}}},
        {"Tip", "Normal", 16, false, {{"CellPadding", "18"}, {"Format", ""}, {"Appearance", "1"}}},
    };
    const QList<StyleProp> font{
        {"Name", "MS Sans Serif"}, {"Size", "0;82500"},    {"Bold", "0"},     {"Italic", "0"},
        {"Underline", "0"},        {"Strikethrough", "0"}, {"Weight", "400"}, {"Charset", "0"}};
    for (GridProgram program : Programs) {
        SCOPED_TRACE(nameOf(program));
        const StyleSheet sheet = griddata::storedLayout(program).styles;
        ASSERT_EQ(sheet.styles().size(), 18);
        for (int i = 0; i < 18; ++i) {
            const Expected& e = table[i];
            const Style& s = sheet.styles()[i];
            SCOPED_TRACE(e.name);
            EXPECT_EQ(s.name, QString::fromLatin1(e.name)) << "stored order";
            EXPECT_EQ(s.props.front().name, QStringLiteral("BasedOn"));
            EXPECT_EQ(s.basedOn(), QString::fromLatin1(e.basedOn));
            EXPECT_EQ(s.props.size() - 1, e.ownProps);
            EXPECT_EQ(s.hasFont, e.font);
            if (e.font) {
                EXPECT_EQ(s.font, font);
            }
            for (const auto& [prop, value] : e.spot)
                EXPECT_EQ(s.own(QString::fromLatin1(prop)), QString::fromLatin1(value)) << prop;
        }
    }
}

TEST(StoredLayout, StyleResolutionOfTheStoredSheet) {
    const StyleSheet sheet = griddata::storedLayout(GridProgram::DataCheck).styles;
    const ResolvedStyle normal = sheet.resolve(QStringLiteral("Normal"));
    const ResolvedStyle currentCell = sheet.resolve(QStringLiteral("CurrentCell"));
    // CurrentCell sets nothing: through CurrentRow it shows exactly as Normal.
    ASSERT_EQ(currentCell.props.size(), normal.props.size());
    for (auto it = normal.props.begin(); it != normal.props.end(); ++it) {
        EXPECT_EQ(currentCell.value(it.key()), it.value().value) << it.key().toStdString();
        EXPECT_EQ(currentCell.origin(it.key()), QStringLiteral("Normal"));
        EXPECT_FALSE(currentCell.isSet(it.key()));
    }
    const ResolvedStyle inactive = sheet.resolve(QStringLiteral("InactiveSelection"));
    EXPECT_EQ(inactive.value("ForeColor"), QStringLiteral("-2147483634"));
    EXPECT_EQ(inactive.origin("ForeColor"), QStringLiteral("Selection"));
    EXPECT_EQ(inactive.value("BackColor"), QStringLiteral("-2147483645"));
    EXPECT_TRUE(inactive.isSet("BackColor"));
    EXPECT_EQ(inactive.origin("GridLineColor"), QStringLiteral("Normal"));
    const ResolvedStyle caption = sheet.resolve(QStringLiteral("Caption"));
    EXPECT_EQ(caption.value("TextAlignment"), QStringLiteral("5"));
    EXPECT_EQ(caption.value("Appearance"), QStringLiteral("2"));
    EXPECT_EQ(caption.origin("Appearance"), QStringLiteral("Heading"));
}

TEST(StoredLayout, ColumnsDifferOnlyInFieldReferencesAndColumnStyles) {
    const QStringList order{
        "DBField",   "DataType",    "Width",      "Caption",        "Hidden",  "ReadOnly",
        "DataWidth", "AllowSizing", "AllowFocus", "FetchCellStyle", "Frozen",  "SortOrder",
        "SortType",  "MergeCells",  "MaskEdit",   "MaskDataMode",   "TagValue"};
    const QStringList shared{"8", "",  "0", "0", "255", "1", "1", "0",
                             "0", "0", "0", "0", "",    "0", ""};
    const QStringList controlOrder{"Type",      "Width",      "Height",   "PopupRows",
                                   "AutoOpen",  "PopupAlign", "BtnAlign", "ShowButton",
                                   "SortOrder", "ItemHeight"};
    const QStringList controlValues{"0", "-1", "1000", "0", "0", "1", "1", "0", "1", "-1"};
    struct Expected {
        GridProgram program;
        const char* key;
        const char* dbField;
        const char* width;
        const char* styleBase; // nullptr: no column style
    };
    const Expected table[] = {
        {GridProgram::DataCheck, "Col0", "", "330", "Heading"},
        {GridProgram::DataCheck, "Field0", "Field0.0", "1200", "Normal"},
        {GridProgram::DataCheck, "Field1", "Field1.1", "1200", "Normal"},
        {GridProgram::GridCheck, "Col0", "", "330", "Heading"},
        {GridProgram::GridCheck, "Field0", "Field0", "1200", nullptr},
        {GridProgram::GridCheck, "Field1", "Field1", "1200", nullptr},
    };
    for (int i = 0; i < 6; ++i) {
        const Expected& e = table[i];
        SCOPED_TRACE(std::string(nameOf(e.program)) + " " + e.key);
        const ColumnSet set = griddata::storedLayout(e.program).columns;
        EXPECT_EQ(set.headCols(), 1);
        ASSERT_EQ(set.columns().size(), 3);
        const ColumnSpec& c = set.columns()[i % 3];
        EXPECT_EQ(c.key, QString::fromLatin1(e.key));
        EXPECT_EQ(propNames(c.props), order);
        EXPECT_EQ(c.dbField(), QString::fromLatin1(e.dbField));
        EXPECT_EQ(c.prop("Width"), QString::fromLatin1(e.width));
        QStringList rest;
        for (int p = 1; p < c.props.size(); ++p)
            if (p != 2)
                rest << c.props[p].value;
        EXPECT_EQ(rest, shared);
        EXPECT_EQ(c.props.back().extraAttribute("type"), QStringLiteral("0")) << "TagValue";
        EXPECT_EQ(propNames(c.control), controlOrder);
        QStringList control;
        for (const ItemProp& p : c.control)
            control << p.value;
        EXPECT_EQ(control, controlValues);
        ASSERT_EQ(c.style.has_value(), e.styleBase != nullptr);
        if (c.style) {
            EXPECT_EQ(c.style->name, QString());
            EXPECT_EQ(c.style->basedOn(), QString::fromLatin1(e.styleBase));
        }
    }
    const ColumnSpec head =
        griddata::storedLayout(GridProgram::GridCheck).columns.columns().front();
    EXPECT_EQ(head.style->own("TextAlignment"), QStringLiteral("4"));
    EXPECT_EQ(head.style->own("PictAlignment"), QStringLiteral("5"));
    EXPECT_EQ(head.style->props.size(), 3);
}

TEST(StoredLayout, HeadColumnValueItems) {
    for (GridProgram program : Programs) {
        SCOPED_TRACE(nameOf(program));
        const ValueItemsCollection items = griddata::storedLayout(program).valueItems;
        ASSERT_EQ(items.lists().size(), 1);
        const ValueItemList& list = items.lists().front();
        EXPECT_EQ(list.key, QStringLiteral("Col0"));
        const QList<QPair<QString, QString>> settings{
            {"translate", "1"}, {"limit", "0"}, {"default", "-1"}, {"cycle", "0"}};
        EXPECT_EQ(list.settings, settings);
        const std::pair<const char*, int> expected[] = {
            {"-4", 32786}, {"-3", 32772}, {"-2", 32773}, {"-5", 32775}};
        ASSERT_EQ(list.items.size(), 4);
        for (int i = 0; i < 4; ++i) {
            const ValueItem& item = list.items[i];
            EXPECT_EQ(propNames(item.props), (QStringList{"Order", "Value", "Display", "Picture"}));
            EXPECT_EQ(item.order(), i);
            EXPECT_EQ(item.value(), QString::fromLatin1(expected[i].first));
            EXPECT_EQ(item.props[1].extraAttribute("type"), QStringLiteral("8"));
            EXPECT_EQ(item.display(), QString());
            EXPECT_EQ(item.props[2].extraAttribute("type"), QStringLiteral("0"));
            EXPECT_EQ(item.props[3].value, QString());
            EXPECT_EQ(item.props[3].extraAttribute("type"), QStringLiteral("2"));
            EXPECT_EQ(item.pictureIndex(), expected[i].second);
        }
    }
}

// The stored form (UTF-16LE with its mark, one element a line, one blank a level, LF
// endings), and the trip through the typed models and the writer gives the same bytes.
TEST(StoredLayout, DocumentsAreInStoredFormAndRoundTripByteForByte) {
    for (GridProgram program : Programs) {
        const griddata::StoredDocuments docs = griddata::storedDocuments(program);
        const std::pair<const char*, QByteArray> each[] = {
            {"styles", docs.styles}, {"columns", docs.columns}, {"valueitems", docs.valueItems}};
        for (const auto& [name, bytes] : each) {
            SCOPED_TRACE(std::string(nameOf(program)) + " " + name);
            ASSERT_TRUE(bytes.startsWith(QByteArray("\xFF\xFE<\0", 4)));
            const QString text = LayoutDocument::decode(bytes);
            EXPECT_TRUE(text.endsWith(u'\n'));
            EXPECT_FALSE(text.contains(u'\r'));
            int depth = 0;
            for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
                const bool closing = line.trimmed().startsWith(QLatin1String("</"));
                if (closing)
                    --depth;
                EXPECT_EQ(line.indexOf(u'<'), depth) << line.toStdString();
                EXPECT_EQ(line.count(u'<'), 1) << "one element a line: " << line.toStdString();
                if (!closing && !line.endsWith(QLatin1String("/>")))
                    ++depth;
            }
            EXPECT_EQ(depth, 0);

            const LayoutNode root = LayoutDocument::read(bytes, name);
            LayoutNode typed;
            if (root.name == QStringLiteral("Styles"))
                typed = StyleSheet::fromDocument(root).toDocument();
            else if (root.name == QStringLiteral("Columns"))
                typed = ColumnSet::fromDocument(root).toDocument();
            else
                typed = ValueItemsCollection::fromDocument(root).toDocument();
            const QByteArray written = LayoutDocument::write(typed);
            EXPECT_EQ(written, bytes);
            EXPECT_EQ(LayoutDocument::write(LayoutDocument::read(written, name)), bytes);
        }
    }
    // The same documents as UTF-8 give the same layout.
    for (GridProgram program : Programs) {
        SCOPED_TRACE(nameOf(program));
        const griddata::StoredDocuments docs = griddata::storedDocuments(program);
        const auto utf8 = [](const QByteArray& b) { return LayoutDocument::decode(b).toUtf8(); };
        const GridLayout fromUtf8 =
            GridLayout::fromDocuments(utf8(docs.styles), utf8(docs.columns), utf8(docs.valueItems));
        const GridLayout stored = griddata::storedLayout(program);
        EXPECT_EQ(fromUtf8.styles.toDocument(), stored.styles.toDocument());
        EXPECT_EQ(fromUtf8.columns.toDocument(), stored.columns.toDocument());
        EXPECT_EQ(fromUtf8.valueItems.toDocument(), stored.valueItems.toDocument());
    }
    const griddata::StoredDocuments d = griddata::storedDocuments(GridProgram::DataCheck);
    const griddata::StoredDocuments g = griddata::storedDocuments(GridProgram::GridCheck);
    EXPECT_EQ(d.styles, g.styles);
    EXPECT_EQ(d.valueItems, g.valueItems);
    EXPECT_NE(d.columns, g.columns);
}

TEST(StoredLayout, SettingsAndTheGridsTakingThem) {
    for (GridProgram program : Programs) {
        SCOPED_TRACE(nameOf(program));
        EXPECT_EQ(griddata::storedSettings(program).groupByPrompt,
                  QStringLiteral("Drag a column header here to group by that column"));
        DataGrid grid;
        EXPECT_NO_THROW(griddata::applyStoredLayout(grid, program));
        ASSERT_TRUE(grid.gridLayout().has_value());
        EXPECT_EQ(grid.groupByBoxShown(), program == GridProgram::DataCheck);
        // Unbound, the grid shows its stored columns: the head column and two blank-captioned
        // data columns, named by their keys for assistive technology.
        QAbstractItemModel* model = grid.model();
        ASSERT_EQ(model->columnCount(), 2);
        EXPECT_EQ(model->rowCount(), 0);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), QString());
            EXPECT_EQ(model->headerData(c, Qt::Horizontal, Qt::AccessibleTextRole).toString(),
                      QStringLiteral("Field%1").arg(c));
            EXPECT_EQ(grid.columnWidth(c), twipsToPixels(1200));
        }
        EXPECT_EQ(grid.verticalHeader()->width(), twipsToPixels(330));
        grid.resetGridLayout();
        EXPECT_EQ(model->columnCount(), 0);
    }
}

// A grid that cannot read its layout cannot be created: the error names the document.
TEST(StoredLayout, DamagedDocumentIsALoadError) {
    griddata::StoredDocuments docs = griddata::storedDocuments(GridProgram::GridCheck);
    docs.columns = QByteArray("<Columns");
    DataGrid grid;
    const auto e = test::errorOf([&] {
        griddata::applyLayoutDocuments(grid, docs,
                                       griddata::storedSettings(GridProgram::GridCheck));
    });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 31037);
    EXPECT_EQ(e->source(), QStringLiteral("DataGrid"));
    EXPECT_TRUE(e->description().startsWith(QStringLiteral("Error loading from file columns")))
        << e->what();
}

} // namespace

namespace {

// The stored look on a bound grid: widths in twips, styles mapped to the desktop's
// colours, the head column's pointer at the current row, the group-by area.
TEST(StoredLayoutOnGrid, BoundGridShowsTheStoredLook) {
    test::TempDir dir;
    const QString db = dir.file(QStringLiteral("dbEquip.mdb"));
    test::makeDatabase(
        db, {QStringLiteral("create table t(ManufacturerID integer, ManufacturerName text)"),
             QStringLiteral("insert into t values(1, 'Alpha')"),
             QStringLiteral("insert into t values(2, 'Beta')")});
    ado::Recordset rs;
    rs.setActiveConnection(test::connectionTo(db));
    rs.open(QStringLiteral("Select * from t"), ado::adOpenStatic, ado::adLockReadOnly, -1);

    DataGrid grid;
    griddata::applyStoredLayout(grid, GridProgram::DataCheck);
    grid.setDataSource(rs);
    // The stored Field0 and Field1 give way to the recordset's fields; Col0 stays at the left.
    ASSERT_EQ(grid.model()->columnCount(), 2);
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("ManufacturerName"));
    EXPECT_EQ(grid.verticalHeader()->width(), twipsToPixels(330));
    EXPECT_EQ(grid.columnWidth(0), twipsToPixels(1200));
    EXPECT_EQ(grid.columnWidth(1), twipsToPixels(1200));
    EXPECT_EQ(grid.model()->data(grid.model()->index(1, 1)).toString(), QStringLiteral("Beta"));

    const CellLooks& cells = *grid.cellLooks();
    EXPECT_EQ(cells.normal.fore, oleColor(syscolor::WindowText));
    EXPECT_EQ(cells.normal.back, oleColor(syscolor::WindowBackground));
    EXPECT_EQ(cells.normal.gridLine, oleColor(syscolor::ButtonFace));
    EXPECT_EQ(cells.normal.lineStyle, 1);
    EXPECT_DOUBLE_EQ(cells.normal.font.pointSizeF(), 8.25);
    EXPECT_EQ(cells.normal.font.weight(), QFont::Normal);
    EXPECT_EQ(cells.normal.paddingPx, twipsToPixels(15));
    EXPECT_FALSE(cells.normal.evenOdd);
    EXPECT_EQ(cells.currentCell.back, cells.normal.back);
    EXPECT_EQ(cells.currentCell.fore, cells.normal.fore);
    EXPECT_EQ(cells.currentCell.font, cells.normal.font);
    EXPECT_EQ(cells.selection.fore, oleColor(syscolor::HighlightText));
    EXPECT_EQ(cells.selection.back, oleColor(syscolor::Highlight));
    EXPECT_EQ(cells.inactiveSelection.fore, oleColor(syscolor::HighlightText));
    EXPECT_EQ(cells.inactiveSelection.back, oleColor(syscolor::InactiveTitleBar));

    const CellLook& heading = *grid.columnHeaderLook();
    EXPECT_EQ(heading.fore, oleColor(syscolor::ButtonText));
    EXPECT_EQ(heading.back, oleColor(syscolor::ButtonFace));
    EXPECT_EQ(heading.textAlignment, Qt::AlignLeft | Qt::AlignTop);
    EXPECT_TRUE(heading.ellipsis);
    EXPECT_EQ(heading.appearance, 2);
    const CellLook& head = *grid.headColumnLook();
    EXPECT_EQ(head.back, oleColor(syscolor::ButtonFace)) << "Col0's style is based on Heading";
    EXPECT_EQ(head.textAlignment, Qt::AlignCenter);
    EXPECT_EQ(head.pictAlignment, Qt::AlignHCenter | Qt::AlignBottom);
    EXPECT_EQ(grid.viewport()->palette().color(QPalette::Base),
              oleColor(syscolor::ApplicationWorkspace));

    EXPECT_EQ(grid.headValue(0), headvalue::CurrentRow);
    EXPECT_EQ(grid.headPicture(0), HeadPicture::Pointer);
    EXPECT_EQ(grid.headPicture(1), HeadPicture::None);
    grid.setCurrentIndex(grid.model()->index(1, 0));
    EXPECT_EQ(grid.headPicture(0), HeadPicture::None);
    EXPECT_EQ(grid.headPicture(1), HeadPicture::Pointer);

    QLabel* box = grid.groupByBox();
    EXPECT_EQ(box->text(), QStringLiteral("Drag a column header here to group by that column"));
    EXPECT_EQ(box->palette().color(QPalette::Window), QColor(161, 161, 161));
    EXPECT_EQ(box->palette().color(QPalette::WindowText), oleColor(syscolor::ButtonFace));

    // On screen: the group-by area above the headers, the rows, the workspace colour below.
    grid.resize(400, 300);
    grid.show();
    const QImage shot = grid.grab().toImage();
    EXPECT_TRUE(box->isVisible());
    // The header's sections show below the prompt, and the rows below the sections.
    QHeaderView* header = grid.horizontalHeader();
    const QRect sections(header->viewport()->mapTo(&grid, QPoint(0, 0)),
                         header->viewport()->size());
    EXPECT_GT(sections.height(), 0);
    EXPECT_LT(box->geometry().bottom(), sections.top());
    EXPECT_LE(sections.bottom(), grid.viewport()->mapTo(&grid, QPoint(0, 0)).y());
    EXPECT_EQ(shot.pixelColor(box->geometry().center().x(), box->geometry().top() + 2),
              QColor(161, 161, 161));
    const QPoint belowRows =
        grid.viewport()->mapTo(&grid, QPoint(5, grid.viewport()->height() - 5));
    EXPECT_EQ(shot.pixel(belowRows), oleColor(syscolor::ApplicationWorkspace).rgb());
    const QRect headRect(grid.verticalHeader()->mapTo(&grid, QPoint(0, 0)),
                         QSize(grid.verticalHeader()->width(), grid.rowHeight(0)));
    const QRect row0 = headRect.translated(0, grid.rowViewportPosition(0));
    const QRect row1 = headRect.translated(0, grid.rowViewportPosition(1));
    const auto darkIn = [&](const QRect& r) {
        int n = 0;
        for (int y = r.top() + 1; y < r.bottom(); ++y)
            for (int x = r.left() + 1; x < r.right(); ++x)
                n += qGray(shot.pixel(x, y)) < 80;
        return n;
    };
    EXPECT_EQ(darkIn(row0), 0);
    EXPECT_GT(darkIn(row1), 5) << "the pointer marks the current row";
}

TEST(StoredLayoutOnGrid, GridcheckHidesTheGroupByArea) {
    DataGrid grid;
    griddata::applyStoredLayout(grid, GridProgram::GridCheck);
    grid.resize(400, 300);
    grid.show();
    EXPECT_FALSE(grid.groupByBox()->isVisible());
    EXPECT_EQ(grid.horizontalHeader()->geometry().top(), grid.contentsRect().top());
}

} // namespace
