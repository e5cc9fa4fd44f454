// The layout's XML scanner: what it reads (attributes with references, comments,
// instructions, empty elements, nesting), the lines it reports, and what it refuses.
#include "xmlscanner.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace tav::toolbars;

namespace {

// Walks a document depth-first and writes "name[attr=value,...]{children}" so a whole
// reading can be compared in one string.
QString outline(XmlScanner& x) {
    QString out;
    while (x.readNextStartElement()) {
        out += x.name();
        QStringList attrs;
        for (const XmlScanner::Attribute& a : x.attributes())
            attrs << QString::fromLatin1(a.name.data(), a.name.size()) + u'=' + a.value;
        if (!attrs.isEmpty())
            out += u'[' + attrs.join(u',') + u']';
        const QString inner = outline(x);
        if (!inner.isEmpty())
            out += u'{' + inner + u'}';
        out += u';';
    }
    return out;
}

TEST(XmlScanner, ReadsElementsAttributesAndReferences) {
    struct Case {
        const char* name;
        const char* xml;
        const char* outline;
    };
    const Case cases[] = {
        {"empty root", "<a/>", "a;"},
        {"prolog, comments and instruction",
         "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c <b/> -->\n<a><?pi x?><!--x--></a>\n", "a;"},
        {"nesting and siblings", "<a><b><c/></b><d/></a>", "a{b{c;};d;};"},
        {"quotes and blanks", "<a x = 'one \"1\"' y=\"two\"\t/>", "a[x=one \"1\",y=two];"},
        {"predefined entities", "<a c=\"&amp;File &lt;&gt; &quot;&apos;\"/>", "a[c=&File <> \"'];"},
        {"character references", "<a c=\"&#65;&#x42;&#x20AC;&#x1F600;\"/>",
         "a[c=AB\u20AC\U0001F600];"},
        {"UTF-8 text kept", "<a c=\"Prograss Bar \xC3\xA9\"/>", "a[c=Prograss Bar \u00E9];"},
        {"trailing blank kept", "<a c=\"New Drawing \"/>", "a[c=New Drawing ];"},
        {"line breaks in a value become blanks", "<a c=\"x\ny\r\nz\"/>", "a[c=x y z];"},
        {"text inside elements passed over", "<a>text<b/>more</a>", "a{b;};"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XmlScanner x(c.xml);
        EXPECT_EQ(outline(x), QString::fromUtf8(c.outline));
        EXPECT_FALSE(x.hasError()) << qPrintable(x.errorString());
    }
}

TEST(XmlScanner, AttributeLookupAndSkippingAnElement) {
    XmlScanner x("<a><b k=\"1\"><c/><c><d/></c></b><e/></a>");
    ASSERT_TRUE(x.readNextStartElement());
    ASSERT_TRUE(x.readNextStartElement());
    EXPECT_TRUE(x.attributes().hasAttribute(QLatin1String("k")));
    EXPECT_EQ(x.attributes().value(QLatin1String("k")), u"1");
    EXPECT_FALSE(x.attributes().hasAttribute(QLatin1String("z")));
    EXPECT_TRUE(x.attributes().value(QLatin1String("z")).isEmpty());
    x.skipCurrentElement(); // past </b>, children included
    ASSERT_TRUE(x.readNextStartElement());
    EXPECT_EQ(x.name(), u"e");
    x.skipCurrentElement(); // an empty element ends at once
    EXPECT_FALSE(x.readNextStartElement());
    EXPECT_FALSE(x.hasError());
}

TEST(XmlScanner, CountsLinesEverywhere) {
    XmlScanner x("<a>\n<!-- one\ntwo -->\n<b\n c=\"x\ny\"/>\n\n<e/></a>");
    ASSERT_TRUE(x.readNextStartElement());
    EXPECT_EQ(x.lineNumber(), 1);
    ASSERT_TRUE(x.readNextStartElement());
    EXPECT_EQ(x.name(), u"b");
    EXPECT_EQ(x.lineNumber(), 6); // after the tag, whose value spans a line
    x.skipCurrentElement();
    ASSERT_TRUE(x.readNextStartElement());
    EXPECT_EQ(x.lineNumber(), 8);
}

TEST(XmlScanner, RefusesWhatItCannotRead) {
    struct Case {
        const char* name;
        const char* xml;
        int line;
        const char* fault;
    };
    const Case cases[] = {
        {"mismatched end tag", "<a>\n<b>\n</a>", 3, "</a> closes <b>"},
        {"unclosed element", "<a>\n<b/>\n", 3, "<a> is not closed"},
        {"no element", "  \n", 2, "no element"},
        {"text before the root", "hello<a/>", 1, "text outside"},
        {"second root", "<a/>\n<b/>", 2, "extra content"},
        {"doctype", "<!DOCTYPE a>\n<a/>", 1, "DOCTYPE"},
        {"unquoted value", "<a x=1/>", 1, "not quoted"},
        {"value without =", "<a x/>", 1, "has no value"},
        {"unterminated value", "<a x=\"1/>", 1, "unterminated value"},
        {"repeated attribute", "<a x=\"1\" x=\"2\"/>", 1, "repeated"},
        {"attributes run together", "<a x=\"1\"y=\"2\"/>", 1, "separated by blanks"},
        {"unknown entity", "<a x=\"&nbsp;\"/>", 1, "&nbsp;"},
        {"bad character reference", "<a x=\"&#xZZ;\"/>", 1, "&#xZZ;"},
        {"< in a value", "<a x=\"a<b\"/>", 1, "'<'"},
        {"unterminated comment", "<a>\n<!-- x\n", 3, "comment"},
        {"broken tag", "<a><1/></a>", 1, "malformed tag"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XmlScanner x(c.xml);
        while (x.readNextStartElement())
            x.skipCurrentElement();
        ASSERT_TRUE(x.hasError());
        EXPECT_TRUE(x.errorString().contains(QLatin1String(c.fault)))
            << qPrintable(x.errorString());
        EXPECT_EQ(x.lineNumber(), c.line);
        // Once failed, the scanner stays failed.
        EXPECT_FALSE(x.readNextStartElement());
    }
}

} // namespace
