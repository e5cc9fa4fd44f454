// The layout loader: identity rules it must accept, entries resolved against the
// collection, graceful gaps, refused layouts naming the place; the shortcut rule.
#include "casename.h"
#include "layoutloader.h"
#include "layoutpack.h"
#include "shortcutmap.h"
#include "vberror.h"

#include <gtest/gtest.h>

using namespace tav::toolbars;

namespace {

QByteArray layoutXml(const char* tools, const char* bands, bool toolsFirst = true) {
    const QByteArray t = QByteArray("<tools>\n") + tools + "</tools>\n";
    const QByteArray b = QByteArray("<bands>\n") + bands + "</bands>\n";
    return "<layout version=\"1\">\n<images><imageset id=\"1\" size=\"16\" "
           "ids=\"1,2\"/></images>\n" +
           (toolsFirst ? t + b : b + t) + "</layout>\n";
}

const char* const kIdentityTools =
    "<tool name=\"frmPL\" id=\"300\" kind=\"host\" caption=\"First\"/>\n"
    "<tool name=\"frmPL\" id=\"301\" kind=\"host\" caption=\"Second\"/>\n"
    "<tool name=\"catDAttrib\" id=\"400\" kind=\"button\"/>\n"
    "<tool name=\"catOSnapNearest\" id=\"400\" kind=\"button\" caption=\"Nearest\"/>\n"
    "<tool name=\"Tool4129\" id=\"4291\" kind=\"button\" caption=\"Tool4129\" "
    "subband=\"popNowhere\" image=\"19\"/>\n"
    "<tool name=\"mnuProjects\" id=\"10\" kind=\"button\" caption=\"Project\" "
    "shortcut=\"Ctrl+D\"/>\n"
    "<tool name=\"cboFont\" id=\"638\" kind=\"combo\">\n<item text=\"Arial\"/>\n<item text=\"A "
    "&amp; B\"/>\n</tool>\n";
const char* const kIdentityBands =
    "<band name=\"b\" caption=\"B\" kind=\"toolbar\">\n"
    "<entry name=\"frmPL\" id=\"301\"/>\n"
    "<entry name=\"frmPL\" id=\"300\"/>\n"
    "<entry name=\"catOSnapNearest\" id=\"400\"/>\n"
    "<entry name=\"Tool4129\" id=\"4291\"/>\n"
    "<entry name=\"mnuProjects\" id=\"11\" caption=\"Projects\" shortcut=\"\" subband=\"popB\"/>\n"
    "<entry name=\"cboFont\" id=\"638\" width=\"96\"/>\n"
    "</band>\n";

TEST(LayoutLoader, ResolvesEntriesUnderTheIdentityRulesInEitherOrder) {
    for (bool toolsFirst : {true, false}) {
        SCOPED_TRACE(toolsFirst ? "collection first" : "bands first");
        const Layout l =
            LayoutLoader::fromXml(layoutXml(kIdentityTools, kIdentityBands, toolsFirst), "t.xml");
        ASSERT_EQ(l.bands.size(), 1u);
        const auto& e = l.bands[0].entries;
        ASSERT_EQ(e.size(), 6u);
        // One name, several identifiers: name and identifier pick the definition.
        EXPECT_EQ(e[0].caption, QStringLiteral("Second"));
        EXPECT_EQ(e[1].caption, QStringLiteral("First"));
        EXPECT_EQ(e[0].kind, ToolKind::Host);
        // One identifier, several names.
        EXPECT_EQ(e[2].name, QStringLiteral("catOSnapNearest"));
        EXPECT_EQ(e[2].caption, QStringLiteral("Nearest"));
        // A default name whose number is not its identifier.
        EXPECT_EQ(e[3].id, 4291u);
        // No definition with this identifier: the first by name, keeping the entry's own
        // identifier, caption, sub-band and (cleared) shortcut.
        EXPECT_EQ(e[4].id, 11u);
        EXPECT_EQ(e[4].caption, QStringLiteral("Projects"));
        EXPECT_EQ(e[4].subBand, QStringLiteral("popB"));
        EXPECT_TRUE(e[4].shortcut.isEmpty());
        EXPECT_EQ(l.toolsNamed(QStringLiteral("mnuProjects")).front()->shortcut,
                  QKeySequence(QStringLiteral("Ctrl+D")));
        EXPECT_EQ(l.toolsNamed(QStringLiteral("frmPL")).size(), 2u);
        // A combo box's entries come with its definition.
        EXPECT_EQ(e[5].items, (QStringList{"Arial", "A & B"}));
        EXPECT_EQ(e[5].width, 96);
    }
}

TEST(LayoutLoader, MissingSubBandAndPictureDoNotFailTheLoad) {
    const Layout l = LayoutLoader::fromXml(layoutXml(kIdentityTools, kIdentityBands), "t.xml");
    const Tool& t = l.bands[0].entries[3];
    EXPECT_EQ(t.subBand, QStringLiteral("popNowhere"));
    EXPECT_EQ(l.band(t.subBand), nullptr);
    EXPECT_EQ(t.image, 19);
    EXPECT_FALSE(l.imageSize(19).has_value());
    EXPECT_EQ(l.imageSize(2), 16);
    EXPECT_TRUE(l.links().empty()); // links count only popups the layout carries
}

struct Malformed {
    const char* name;
    QByteArray xml;
    int line;
    const char* fault; // part of the description; empty where the XML parser words it
};

class RefusedLayout : public ::testing::TestWithParam<Malformed> {};

TEST_P(RefusedLayout, NamesSourceLineAndFault) {
    const Malformed& m = GetParam();
    try {
        LayoutLoader::fromXml(m.xml, QStringLiteral("stored.xml"));
        FAIL() << "accepted";
    } catch (const tav::VbError& e) {
        const QString d = e.description();
        EXPECT_EQ(e.number(), LayoutLoader::LoadError);
        EXPECT_TRUE(d.contains(u"stored.xml")) << qPrintable(d);
        EXPECT_TRUE(d.contains(QStringLiteral("line %1:").arg(m.line))) << qPrintable(d);
        EXPECT_TRUE(d.contains(QLatin1String(m.fault))) << qPrintable(d);
    }
}

const char* const kOneTool = "<tool name=\"a\" id=\"1\" kind=\"button\"/>\n";

INSTANTIATE_TEST_SUITE_P(
    LayoutLoader, RefusedLayout,
    ::testing::Values(
        Malformed{"NotWellFormed",
                  "<layout version=\"1\">\n<bands>\n<band name=\"a\" "
                  "kind=\"popup\">\n</bands>\n</layout>\n",
                  4, ""},
        Malformed{"WrongRoot", "<menus/>\n", 1, "not <layout>"},
        Malformed{"UnknownVersion", "<layout version=\"2\"/>\n", 1, "version \"2\""},
        Malformed{"UnknownElement", "<layout version=\"1\">\n<toolbar/>\n</layout>\n", 2,
                  "unexpected element <toolbar>"},
        Malformed{
            "PictureSizeZero",
            "<layout version=\"1\">\n<images><imageset id=\"1\" size=\"0\"/></images>\n</layout>\n",
            2, "picture size 0 is out of range"},
        Malformed{"UnknownBandKind", layoutXml(kOneTool, "<band name=\"b\" kind=\"ribbon\"/>\n"), 7,
                  "band kind \"ribbon\""},
        Malformed{
            "RepeatedBand",
            layoutXml(kOneTool,
                      "<band name=\"b\" kind=\"popup\"/>\n<band name=\"b\" kind=\"popup\"/>\n"),
            8, "repeated"},
        Malformed{
            "EntryOfNoTool",
            layoutXml(kOneTool,
                      "<band name=\"b\" kind=\"popup\">\n<entry name=\"zz\" id=\"1\"/>\n</band>\n"),
            8, "\"zz\" on band b names no tool"},
        Malformed{
            "EntryOfNoToolBeforeCollection",
            layoutXml(kOneTool,
                      "<band name=\"b\" kind=\"popup\">\n<entry name=\"zz\" id=\"1\"/>\n</band>\n",
                      false),
            5, "names no tool"},
        Malformed{"UnknownToolAttribute",
                  layoutXml("<tool name=\"a\" id=\"1\" colour=\"red\"/>\n", ""), 4,
                  "unknown attribute colour"},
        Malformed{"IdentifierNotANumber", layoutXml("<tool name=\"a\" id=\"x1\"/>\n", ""), 4,
                  "identifier \"x1\" is not a number"},
        Malformed{"UnknownToolKind", layoutXml("<tool name=\"a\" id=\"1\" kind=\"slider\"/>\n", ""),
                  4, "tool kind \"slider\""},
        Malformed{"ShortcutOfTwoKeys",
                  layoutXml("<tool name=\"a\" id=\"1\" shortcut=\"Ctrl+N, Ctrl+X\"/>\n", ""), 4,
                  "not one key"},
        Malformed{"ToolWithoutName", layoutXml("<tool id=\"1\"/>\n", ""), 4, "no name"},
        Malformed{"EntriesOnAButton",
                  layoutXml("<tool name=\"a\" id=\"1\">\n<item text=\"x\"/>\n</tool>\n", ""), 5,
                  "no combo box"},
        Malformed{"EntryWithoutText",
                  layoutXml("<tool name=\"a\" id=\"1\" kind=\"combo\">\n<item/>\n</tool>\n", ""), 5,
                  "<item> has no text"},
        Malformed{"UnknownToolChild",
                  layoutXml("<tool name=\"a\" id=\"1\" kind=\"combo\">\n<entry/>\n</tool>\n", ""),
                  5, "unexpected element <entry>"}),
    tav::test::caseName);

// The compact form gives back the layout it was written from, every field of tools,
// entries, bands, child bands and picture sets included; a cut or damaged one is refused
// with the loader's error, never read past its end.
TEST(LayoutPack, ReadsBackWhatItWroteAndRefusesDamagedData) {
    const QByteArray xml = layoutXml(
        "<tool name=\"t\" id=\"7\" kind=\"text\" text=\"x\" tooltip=\"T\" description=\"D\" "
        "category=\"C\" width=\"50\"/>\n<tool id=\"8\" builtin=\"bandtoggle\" band=\"b\"/>\n",
        "<band name=\"b\" caption=\"B\" kind=\"toolbar\" dock=\"right\" visible=\"false\">\n"
        "<childband name=\"c\" caption=\"C\" hosts=\"frmPL\"/>\n<entry name=\"t\" id=\"7\"/>\n"
        "</band>\n");
    Layout l = LayoutLoader::fromXml(xml, "a.xml");
    const Layout identity =
        LayoutLoader::fromXml(layoutXml(kIdentityTools, kIdentityBands), "t.xml");
    l.tools.insert(l.tools.end(), identity.tools.begin(), identity.tools.end());
    l.bands.insert(l.bands.end(), identity.bands.begin(), identity.bands.end());
    const QByteArray packed = LayoutPack::write(l);
    EXPECT_EQ(LayoutPack::read(packed, "a.layout"), l);

    auto expectRefused = [](const QByteArray& data, const QString& what) {
        try {
            LayoutPack::read(data, "a.layout");
            ADD_FAILURE() << "accepted " << qPrintable(what);
        } catch (const tav::VbError& e) {
            EXPECT_EQ(e.number(), LayoutLoader::LoadError) << qPrintable(what);
            EXPECT_TRUE(e.description().startsWith(u"Error loading from file a.layout: "))
                << qPrintable(e.description());
        }
    };
    for (qsizetype n = 0; n < packed.size(); ++n)
        expectRefused(packed.first(n), QStringLiteral("cut to %1 bytes").arg(n));
    expectRefused(packed + '\0', QStringLiteral("a trailing byte"));
    // Every four-byte word set to a huge count, index or code in turn.
    for (qsizetype at = LayoutPack::Signature.size(); at + 4 <= packed.size(); at += 4) {
        QByteArray bad = packed;
        bad.replace(at, 4, "\xff\xff\xff\x7f", 4);
        try {
            (void)LayoutPack::read(bad, "a.layout");
        } catch (const tav::VbError& e) {
            EXPECT_EQ(e.number(), LayoutLoader::LoadError);
        }
    }
}

// Two tools share Ctrl+A: `a` on popA (opened from the menu bar) and `b` on popB (opened
// by nothing) and on the toolbar `bar`.
const char* const kShortcutTools =
    "<tool name=\"m\" id=\"1\" subband=\"popA\"/>\n"
    "<tool name=\"a\" id=\"2\" shortcut=\"Ctrl+A\" subband=\"popC\"/>\n"
    "<tool name=\"b\" id=\"3\" shortcut=\"Ctrl+A\"/>\n"
    "<tool name=\"c\" id=\"4\" shortcut=\"F7\"/>\n";
const char* const kShortcutBands =
    "<band name=\"menu\" kind=\"menubar\">\n<entry name=\"m\" id=\"1\"/>\n</band>\n"
    "<band name=\"popA\" kind=\"popup\">\n<entry name=\"a\" id=\"2\"/>\n</band>\n"
    "<band name=\"popB\" kind=\"popup\">\n<entry name=\"b\" id=\"3\"/>\n<entry name=\"c\" "
    "id=\"4\"/>\n</band>\n"
    "<band name=\"bar\" kind=\"toolbar\">\n<entry name=\"b\" id=\"3\"/>\n</band>\n"
    "<band name=\"popC\" kind=\"popup\"/>\n";

TEST(ShortcutMap, PicksTheFirstHolderOnAReachableBand) {
    const Layout l = LayoutLoader::fromXml(layoutXml(kShortcutTools, kShortcutBands), "t.xml");
    const ShortcutMap map(l);
    EXPECT_EQ(map.keys(), (QList<QKeySequence>{QKeySequence("Ctrl+A"), QKeySequence("F7")}));
    struct Case {
        const char* name;
        bool menuShown, barShown;
        ShortcutMap::Place expected;
    };
    const Case cases[] = {
        {"menu bar reaches popA", true, false, {1, 0}},
        {"toolbar only", false, true, {3, 0}},
        {"both: stored order", true, true, {1, 0}},
        {"nothing reachable: first holder", false, false, {1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<bool> shown = {c.menuShown, false, false, c.barShown, false};
        const auto place = map.resolve(QKeySequence("Ctrl+A"), l.reachable(shown));
        ASSERT_TRUE(place.has_value());
        EXPECT_EQ(*place, c.expected);
    }
    EXPECT_FALSE(map.resolve(QKeySequence("Ctrl+Q"), {}).has_value());
}

TEST(Layout, ReachesPopupsThroughOtherPopups) {
    const Layout l = LayoutLoader::fromXml(layoutXml(kShortcutTools, kShortcutBands), "t.xml");
    const std::vector<bool> live = l.reachable({true, false, false, false, false});
    EXPECT_EQ(live, (std::vector<bool>{true, true, false, false, true}));
    EXPECT_EQ(l.links(),
              (std::vector<std::pair<QString, QString>>{{"menu", "popA"}, {"popA", "popC"}}));
}

TEST(Tool, DisplayNameDropsAcceleratorMarkersOrFallsBackToTheName) {
    const std::pair<const char*, const char*> cases[] = {{"&File", "File"},
                                                         {"F&ormat", "Format"},
                                                         {"Save && Close", "Save & Close"},
                                                         {"New Drawing ", "New Drawing "},
                                                         {"", "catDNew"}};
    for (auto [caption, shown] : cases) {
        Tool t;
        t.name = QStringLiteral("catDNew");
        t.caption = QString::fromLatin1(caption);
        EXPECT_EQ(t.displayName(), QLatin1String(shown)) << caption;
    }
}

} // namespace
