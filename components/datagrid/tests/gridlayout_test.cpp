// The layout documents without any widget: reading (UTF-16 and UTF-8), writing in the
// stored form, style resolution through BasedOn, and the faults a document is refused for.
#include "gridlayout.h"
#include "layoutdocument.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace tav::gridlayout;

namespace {

QByteArray utf16(const QString& text) {
    QStringEncoder enc(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return enc.encode(text);
}

// A small sheet in the stored form: Normal, Heading, and a chain Current -> Row -> Normal.
const QString SmallSheet = QStringLiteral("<Styles>\n"
                                          " <Style name=\"Normal\">\n"
                                          "  <StyleData>\n"
                                          "   <Prop name=\"BasedOn\" value=\"\"/>\n"
                                          "   <Prop name=\"ForeColor\" value=\"-2147483640\"/>\n"
                                          "   <Prop name=\"BackColor\" value=\"-2147483643\"/>\n"
                                          "   <Prop name=\"Format\" value=\"General\"/>\n"
                                          "  </StyleData>\n"
                                          "  <Font>\n"
                                          "   <Prop name=\"Name\" value=\"MS Sans Serif\"/>\n"
                                          "   <Prop name=\"Size\" value=\"0;82500\"/>\n"
                                          "  </Font>\n"
                                          " </Style>\n"
                                          " <Style name=\"Current\">\n"
                                          "  <StyleData>\n"
                                          "   <Prop name=\"BasedOn\" value=\"Row\"/>\n"
                                          "  </StyleData>\n"
                                          " </Style>\n"
                                          " <Style name=\"Row\">\n"
                                          "  <StyleData>\n"
                                          "   <Prop name=\"BasedOn\" value=\"Normal\"/>\n"
                                          "   <Prop name=\"BackColor\" value=\"255\"/>\n"
                                          "  </StyleData>\n"
                                          " </Style>\n"
                                          "</Styles>\n");

TEST(GridLayoutDocument, ResolvesThroughTheBaseChainAndTellsSetFromInherited) {
    const StyleSheet sheet =
        StyleSheet::fromDocument(LayoutDocument::read(utf16(SmallSheet), "styles"));
    const ResolvedStyle current = sheet.resolve(QStringLiteral("Current"));
    EXPECT_EQ(current.value("BackColor"), QStringLiteral("255"));
    EXPECT_EQ(current.origin("BackColor"), QStringLiteral("Row"));
    EXPECT_FALSE(current.isSet("BackColor"));
    EXPECT_EQ(current.value("ForeColor"), QStringLiteral("-2147483640"));
    EXPECT_EQ(current.origin("ForeColor"), QStringLiteral("Normal"));
    EXPECT_EQ(current.value("Font.Size"), QStringLiteral("0;82500"));
    EXPECT_FALSE(current.has("BasedOn"));
    const ResolvedStyle row = sheet.resolve(QStringLiteral("Row"));
    EXPECT_TRUE(row.isSet("BackColor"));
    EXPECT_FALSE(row.isSet("ForeColor"));
    // A style with nothing of its own has exactly its base's values.
    for (auto it = row.props.begin(); it != row.props.end(); ++it)
        EXPECT_EQ(current.value(it.key()), it.value().value) << it.key().toStdString();
    EXPECT_EQ(current.props.size(), row.props.size());
    EXPECT_THROW(sheet.resolve(QStringLiteral("Missing")), LayoutError);

    // A derived style's own font entry wins over its base's; the rest of the font is inherited.
    QString ownFont = SmallSheet;
    ownFont.replace("   <Prop name=\"BackColor\" value=\"255\"/>\n  </StyleData>\n",
                    "   <Prop name=\"BackColor\" value=\"255\"/>\n  </StyleData>\n"
                    "  <Font>\n   <Prop name=\"Size\" value=\"0;120000\"/>\n  </Font>\n");
    const ResolvedStyle bigger =
        StyleSheet::fromDocument(LayoutDocument::read(utf16(ownFont), "styles"))
            .resolve(QStringLiteral("Current"));
    EXPECT_EQ(bigger.value("Font.Size"), QStringLiteral("0;120000"));
    EXPECT_EQ(bigger.origin("Font.Size"), QStringLiteral("Row"));
    EXPECT_EQ(bigger.value("Font.Name"), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(bigger.origin("Font.Name"), QStringLiteral("Normal"));
}

TEST(GridLayoutDocument, WritesTheStoredFormAndReadsUtf8AndUtf16Alike) {
    const LayoutNode fromUtf16 = LayoutDocument::read(utf16(SmallSheet), "styles");
    const LayoutNode fromUtf8 = LayoutDocument::read(SmallSheet.toUtf8(), "styles");
    const LayoutNode fromUtf8Bom =
        LayoutDocument::read("\xEF\xBB\xBF" + SmallSheet.toUtf8(), "styles");
    EXPECT_EQ(fromUtf16, fromUtf8);
    EXPECT_EQ(fromUtf16, fromUtf8Bom);
    // Through the style model and back: the same bytes, mark, blanks and LFs included.
    const QByteArray written =
        LayoutDocument::write(StyleSheet::fromDocument(fromUtf8).toDocument());
    EXPECT_EQ(written, utf16(SmallSheet));
    EXPECT_TRUE(written.startsWith("\xFF\xFE<\0S\0"));
    EXPECT_FALSE(written.contains(QByteArray("\r\0", 2)));
}

TEST(GridLayoutDocument, EscapesAttributeValuesOnWriting) {
    LayoutNode root(QStringLiteral("Styles"));
    root.append(LayoutNode::prop(QStringLiteral("Format"), QStringLiteral("a<b & \"c\"\nd")));
    const QString text = LayoutDocument::toText(root);
    EXPECT_EQ(text, QStringLiteral("<Styles>\n <Prop name=\"Format\" value=\"a&lt;b &amp; "
                                   "&quot;c&quot;&#10;d\"/>\n</Styles>\n"));
    EXPECT_EQ(LayoutDocument::read(LayoutDocument::write(root), "x"), root);
}

// Each case breaks the small sheet in one place; the error names the line and element.
TEST(GridLayoutDocument, RefusesFaultyStyleSheets) {
    struct Case {
        const char* name;
        QString from, to;
        int line;
        QString mentions;
    };
    const Case cases[] = {
        {"UnclosedElement", "  </Font>\n </Style>\n", "  </Font>\n", 24, "tag mismatch"},
        {"BasedOnCycle",
         "\"BasedOn\" value=\"Normal\"/>\n   <Prop name=\"BackColor\" value=\"255\"",
         "\"BasedOn\" value=\"Current\"/>\n   <Prop name=\"BackColor\" value=\"255\"", 14,
         "Current -> Row -> Current"},
        {"UnknownBase", "value=\"Row\"", "value=\"Rows\"", 14, "unknown style 'Rows'"},
        {"NotANumber", "value=\"255\"", "value=\"red\"", 22, "'red'"},
        {"MalformedFontSize", "0;82500", "8.25", 11, "Size"},
        {"UnknownElement", "<Font>", "<Fonts>", 0, ""},
        {"TextContent", "  <Font>\n", "  hello\n  <Font>\n", 9, "unexpected text"},
        {"NoRootStyle", "<Style name=\"Normal\">", "<Style name=\"Plain\">", 0, "'Normal'"},
        {"DuplicateStyle", "<Style name=\"Row\">", "<Style name=\"Current\">", 19, "twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString text = SmallSheet;
        ASSERT_TRUE(text.contains(c.from));
        text.replace(c.from, c.to);
        try {
            StyleSheet::fromDocument(LayoutDocument::read(utf16(text), "styles"));
            ADD_FAILURE() << "accepted";
        } catch (const LayoutError& e) {
            EXPECT_EQ(e.document(), QStringLiteral("styles"));
            if (c.line) {
                EXPECT_EQ(e.line(), c.line) << e.text().toStdString();
            }
            EXPECT_TRUE(e.text().contains(c.mentions)) << e.text().toStdString();
        }
    }
}

TEST(GridLayoutDocument, RefusesBrokenColumnsAndValueItems) {
    const QByteArray styles = utf16(SmallSheet);
    const QString columns = QStringLiteral("<Columns headCols=\"1\">\n"
                                           " <Column key=\"Col0\">\n"
                                           "  <Prop name=\"Width\" value=\"330\"/>\n"
                                           "  <ColumnStyle name=\"\">\n"
                                           "   <StyleData>\n"
                                           "    <Prop name=\"BasedOn\" value=\"Row\"/>\n"
                                           "   </StyleData>\n"
                                           "  </ColumnStyle>\n"
                                           " </Column>\n"
                                           "</Columns>\n");
    const QString items =
        QStringLiteral("<ValueItemsCollection>\n"
                       " <ValueItems key=\"Col0\">\n"
                       "  <ValueItemsData translate=\"1\" default=\"-1\">\n"
                       "   <Item>\n"
                       "    <Prop name=\"Value\" value=\"-4\" type=\"8\"/>\n"
                       "    <Prop name=\"Picture\" value=\"\" type=\"2\" index=\"7\"/>\n"
                       "   </Item>\n"
                       "  </ValueItemsData>\n"
                       " </ValueItems>\n"
                       "</ValueItemsCollection>\n");
    const GridLayout good = GridLayout::fromDocuments(styles, columns.toUtf8(), utf16(items));
    EXPECT_EQ(good.headColumns().size(), 1);
    EXPECT_EQ(good.valueItems.find("Col0")->itemFor("-4")->pictureIndex(), 7);
    EXPECT_EQ(good.valueItems.find("Col0")->itemFor("-3"), nullptr) << "default -1: no item";

    struct Case {
        const char* name;
        QString columns, items;
        QString document;
        int line;
    };
    const auto with = [](QString s, const char* from, const char* to) {
        return s.replace(from, to);
    };
    const Case cases[] = {
        {"ColumnStyleOnUnknownBase", with(columns, "\"Row\"", "\"Nope\""), items, "columns", 4},
        {"WidthNotANumber", with(columns, "\"330\"", "\"wide\""), items, "columns", 3},
        {"MoreHeadColumnsThanColumns", with(columns, "headCols=\"1\"", "headCols=\"2\""), items,
         "columns", 1},
        {"ValueItemsForNoColumn", columns, with(items, "key=\"Col0\"", "key=\"Col9\""),
         "valueitems", 2},
        {"PictureIndexNotANumber", columns, with(items, "index=\"7\"", "index=\"seven\""),
         "valueitems", 6},
        {"ItemWithoutValue", columns, with(items, "name=\"Value\"", "name=\"Valu\""), "valueitems",
         4},
        {"TruncatedDocument", columns.left(40), items, "columns", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            GridLayout::fromDocuments(styles, c.columns.toUtf8(), utf16(c.items));
            ADD_FAILURE() << "accepted";
        } catch (const LayoutError& e) {
            EXPECT_EQ(e.document(), c.document) << e.text().toStdString();
            EXPECT_EQ(e.line(), c.line) << e.text().toStdString();
        }
    }
}

TEST(GridLayoutDocument, ValueItemSettingsDefaultWhereNotStoredAndHoldAtTheirEdges) {
    // Three items (values 1, 2, 2 with displays a, b, c); `settings` goes on the list.
    const auto list = [](const char* settings) {
        const QString doc = QStringLiteral("<ValueItemsCollection><ValueItems key=\"K\">"
                                           "<ValueItemsData %1>"
                                           "<Item><Prop name=\"Value\" value=\"1\"/>"
                                           "<Prop name=\"Display\" value=\"a\"/></Item>"
                                           "<Item><Prop name=\"Value\" value=\"2\"/>"
                                           "<Prop name=\"Order\" value=\"5\"/>"
                                           "<Prop name=\"Display\" value=\"b\"/>"
                                           "<Prop name=\"Picture\" value=\"\"/></Item>"
                                           "<Item><Prop name=\"Value\" value=\"2\"/>"
                                           "<Prop name=\"Display\" value=\"c\"/></Item>"
                                           "</ValueItemsData></ValueItems></ValueItemsCollection>")
                                .arg(QLatin1String(settings));
        return ValueItemsCollection::fromDocument(
                   LayoutDocument::read(doc.toUtf8(), QStringLiteral("valueitems")))
            .lists()
            .front();
    };
    struct Case {
        const char* settings;
        bool translate;
        int defaultIndex;
        const char* shownForOther; // display of the item an unlisted value gets; "" none
    };
    const Case cases[] = {{"", false, -1, ""},
                          {"translate=\"1\"", true, -1, ""},
                          {"translate=\"0\" default=\"0\"", false, 0, "a"},
                          {"default=\"2\"", false, 2, "c"},
                          {"default=\"3\"", false, 3, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        const ValueItemList l = list(c.settings);
        EXPECT_EQ(l.translate(), c.translate);
        EXPECT_EQ(l.defaultIndex(), c.defaultIndex);
        const ValueItem* other = l.itemFor(QStringLiteral("9"));
        EXPECT_EQ(other ? other->display() : QString(), QLatin1String(c.shownForOther));
        EXPECT_EQ(l.itemFor(QStringLiteral("2"))->display(), u"b") << "the first match wins";
    }
    const ValueItemList l = list("");
    EXPECT_EQ(l.items[0].order(), 0) << "no Order stored";
    EXPECT_EQ(l.items[1].order(), 5);
    EXPECT_EQ(l.items[2].display(), u"c");
    EXPECT_FALSE(l.items[0].pictureIndex().has_value()) << "no Picture";
    EXPECT_FALSE(l.items[1].pictureIndex().has_value()) << "a Picture without an index";
}

} // namespace
