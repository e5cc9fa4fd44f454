// The stored layout read back from the built component: every band with its kind and
// entries in order (against a second reading of the stored file), the tool collection,
// the popup links, shortcuts and categories.
#include "layoutloader.h"
#include "mdiform1.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QToolBar>
#include <QXmlStreamReader>

#include <map>
#include <memory>

#include <gtest/gtest.h>

using namespace tav::toolbars;
using tav::barcheck::MDIForm1;

namespace {

// The bands in stored order with the number of entries each shows (separators count).
// What the entries are, and their order, is checked against the stored file itself.
const char* const kBandCounts =
    "mnuMain:15 popProjects:14 popDatabase:21 popMainWindow:5 popMainHelp:12 bndDWGTools:12 "
    "popMainFile:2 popMainEdit:0 popDWGView:18 popDWGFormat:7 popDWGTools:23 popRPTModify:0 "
    "popRPTTools:13 mnuChildRpt:11 mnuChildDwg:12 popRPTEdit:6 popDWGEdit:7 "
    "popSubDrawBasicLine:1 popSubDrawBasicPoint:3 popSubDrawBasicCircle:2 "
    "popSubDrawBasicArc:2 popDwgFile:18 popRPTFile:10 popQXEquipment:8 bndTavrion:3 "
    "popDWGModify:18 bndDWGModify:18 bndRPTFormat:25 popRPTFormat:23 bndDWGOSnap:12 "
    "popDWGOSnap:11 popQXCables:12 popQXCB:6 popQXJack:7 popQXJBox:5 popQXRTR:6 "
    "popQXPointer:2 popRPTView:8 popRPTAlign:7 popRPTSize:3 popRPTVSpace:3 popRPTHSpace:3 "
    "bndDWGView:19 bndDWGStandard:17 bndRPTStandard:17 bndDWGDims:6 popDims:6 bndRPTTools:13 "
    "bndPL:1 popDWGInsert:7 bndDrawCables:1 popMouse:11 bndCmdLine:1 popProjEx:21 "
    "bndDWGInserts:2 popProjUtilities:7 popRPTExport:6 bndDWGFormat:6 popImportExport:1 "
    "bndDWGProp:1 bndStatus:5 popADDINS:2 Band64:0 popFieldAddRemove:2 bndArialView:1 "
    "popMousePinout:3 popDBConn:6 popAutoScheme:2 popPCables:3 popPSystems:2 bndWL:1 bndNav:0 "
    "popESInsert:1 popESCable:3 popProj:0 popAttic:0 popSecurityTools:3";

// The stored file as a second reader sees it (Qt's stream reader, not the component's
// scanner): the bands with their entries in order, and the tool collection.
struct StoredBand {
    QString name, caption, kind;
    QStringList entries; // tool names in order
};
struct StoredFile {
    std::vector<StoredBand> bands;
    std::map<QString, QString> toolKinds; // named tools: name -> stored kind
};

StoredFile readStoredFile() {
    // The readable file, which the program's built-in compact form is written from.
    QFile file(QStringLiteral(TAV_BARCHECK_LAYOUT_XML));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
    StoredFile stored;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == u"tool" && a.hasAttribute(QLatin1String("name")))
            stored.toolKinds[a.value(QLatin1String("name")).toString()] =
                a.value(QLatin1String("kind")).toString();
        else if (xml.name() == u"band")
            stored.bands.push_back({a.value(QLatin1String("name")).toString(),
                                    a.value(QLatin1String("caption")).toString(),
                                    a.value(QLatin1String("kind")).toString(),
                                    {}});
        else if (xml.name() == u"entry")
            stored.bands.back().entries.append(a.value(QLatin1String("name")).toString());
    }
    EXPECT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
    return stored;
}

BandKind kindNamed(const QString& stored) {
    if (stored == u"menubar")
        return BandKind::MenuBar;
    if (stored == u"childmenubar")
        return BandKind::ChildMenuBar;
    if (stored == u"popup")
        return BandKind::Popup;
    EXPECT_EQ(stored, u"toolbar");
    return BandKind::Toolbar;
}

class StoredLayout : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { form = new MDIForm1; }
    static void TearDownTestSuite() {
        delete form;
        form = nullptr;
    }
    static ToolBars& bars() { return *form->ToolBars1(); }
    static inline MDIForm1* form = nullptr;
};

// The program reads the compact form the build wrote; it must hold exactly what the
// readable file says (a stale or lossy compact form fails here).
TEST_F(StoredLayout, CompactFormBuiltInHoldsExactlyTheReadableFile) {
    const Layout readable = LayoutLoader::fromFile(QStringLiteral(TAV_BARCHECK_LAYOUT_XML));
    EXPECT_EQ(bars().layout(), readable);
    EXPECT_EQ(LayoutLoader::fromFile(MDIForm1::storedLayout()), readable);
}

TEST_F(StoredLayout, CarriesEveryBandInStoredOrderWithItsCountCaptionAndKind) {
    const auto& bands = bars().layout().bands;
    const StoredFile stored = readStoredFile();
    const QStringList counts = QString::fromLatin1(kBandCounts).split(u' ');
    ASSERT_EQ(bands.size(), 77u);
    ASSERT_EQ(stored.bands.size(), bands.size());
    ASSERT_EQ(size_t(counts.size()), bands.size());
    for (size_t i = 0; i < bands.size(); ++i) {
        SCOPED_TRACE(qPrintable(counts[int(i)]));
        EXPECT_EQ(bands[i].name + u':' + QString::number(bands[i].entries.size()), counts[int(i)]);
        EXPECT_EQ(bands[i].name, stored.bands[i].name);
        EXPECT_EQ(bands[i].caption, stored.bands[i].caption);
        EXPECT_EQ(bands[i].kind, kindNamed(stored.bands[i].kind));
    }
}

TEST_F(StoredLayout, EveryBandShowsItsStoredEntriesInOrderAsSeparateObjects) {
    const StoredFile stored = readStoredFile();
    int total = 0, separators = 0;
    QSet<QString> distinct;
    QSet<const QAction*> objects;
    for (const StoredBand& band : stored.bands) {
        SCOPED_TRACE(qPrintable(band.name));
        const QList<QAction*> entries = bars().entries(band.name);
        ASSERT_EQ(entries.size(), band.entries.size());
        for (int i = 0; i < entries.size(); ++i) {
            const Tool* tool = bars().toolOf(entries[i]);
            ASSERT_NE(tool, nullptr);
            EXPECT_EQ(tool->name, band.entries[i]) << "entry " << i;
            EXPECT_EQ(bars().bandOf(entries[i]), band.name);
            objects.insert(entries[i]);
            ASSERT_TRUE(stored.toolKinds.count(band.entries[i])) << qPrintable(band.entries[i]);
            const bool separator = stored.toolKinds.at(band.entries[i]) == u"separator";
            EXPECT_EQ(tool->isSeparator(), separator) << "entry " << i;
            EXPECT_EQ(entries[i]->isSeparator(), separator) << "entry " << i;
            if (separator) {
                EXPECT_TRUE(tool->name.startsWith(u"Tool")) << qPrintable(tool->name);
                ++separators;
            } else {
                distinct.insert(tool->name);
            }
        }
        total += int(entries.size());
    }
    EXPECT_EQ(total, 571);
    EXPECT_EQ(separators, 66);
    EXPECT_EQ(distinct.size(), 343);
    EXPECT_EQ(objects.size(), 571);
}

TEST_F(StoredLayout, BandsWithoutToolsAreCarriedEmpty) {
    for (const char* name :
         {"popMainEdit", "popRPTModify", "Band64", "bndNav", "popProj", "popAttic"}) {
        SCOPED_TRACE(name);
        const Band* band = bars().layout().band(QLatin1String(name));
        ASSERT_NE(band, nullptr);
        EXPECT_TRUE(band->entries.empty());
    }
    EXPECT_NE(bars().popup(QStringLiteral("popMainEdit")), nullptr);
    EXPECT_NE(bars().menuBar(QStringLiteral("Band64")), nullptr);
    EXPECT_NE(bars().toolBar(QStringLiteral("bndNav")), nullptr);
    EXPECT_EQ(bars().layout().band(QStringLiteral("bndNav"))->childBands.size(), 4u);
    EXPECT_EQ(bars().layout().band(QStringLiteral("popMousePinout"))->caption, QString());
}

// Each named tool of the file is defined once (with the separators and three built-ins),
// not once per band it stands on.
TEST_F(StoredLayout, CollectionDefinesEachStoredToolOnceByDesign) {
    QStringList expected;
    for (const auto& [name, kind] : readStoredFile().toolKinds)
        if (kind != u"separator")
            expected.append(name);
    ASSERT_EQ(expected.size(), 434);
    QStringList named;
    int separators = 0;
    std::map<BuiltIn, uint32_t> builtIns;
    static const QRegularExpression toolNumber(QStringLiteral("^Tool\\d+$"));
    for (const Tool& t : bars().layout().tools) {
        if (t.builtIn != BuiltIn::None)
            builtIns[t.builtIn] = t.id;
        else if (t.isSeparator()) {
            ++separators;
            EXPECT_TRUE(toolNumber.match(t.name).hasMatch()) << qPrintable(t.name);
        } else
            named.append(t.name);
    }
    named.sort();
    expected.sort();
    EXPECT_EQ(named, expected);
    EXPECT_EQ(separators, 83);
    EXPECT_EQ(builtIns[BuiltIn::Customize], 0x80000000u);
    EXPECT_EQ(builtIns[BuiltIn::BandToggle], 0x80000002u);
    EXPECT_EQ(builtIns[BuiltIn::Separator], 0x80004004u);
}

TEST_F(StoredLayout, EntriesOfOneToolShareItsIdentifier) {
    std::map<QString, uint32_t> ids;
    for (const Band& b : bars().layout().bands)
        for (const Tool& e : b.entries) {
            auto [it, fresh] = ids.emplace(e.name, e.id);
            EXPECT_EQ(it->second, e.id) << qPrintable(e.name);
            EXPECT_TRUE(e.id >= 208 && e.id <= 4298) << qPrintable(e.name);
        }
}

TEST_F(StoredLayout, PopupLinksMatchTheBandTable) {
    const std::map<QString, QStringList> expected = {
        {"mnuMain",
         {"popProjects", "popDwgFile", "popDWGEdit", "popDWGView", "popDWGFormat", "popDWGTools",
          "popDWGModify", "popDatabase", "popADDINS", "popMainWindow", "popMainHelp"}},
        {"mnuChildRpt",
         {"popProjects", "popRPTFile", "popRPTEdit", "popRPTView", "popRPTFormat", "popRPTTools",
          "popDatabase", "popADDINS", "popMainWindow", "popMainHelp"}},
        {"mnuChildDwg",
         {"popProjects", "popDwgFile", "popDWGEdit", "popDWGView", "popDWGFormat", "popDWGTools",
          "popDWGModify", "popDatabase", "popMainWindow", "popMainHelp"}},
        {"popProjects", {"popProjUtilities", "popSecurityTools", "popImportExport"}},
        {"popDatabase", {"popDBConn", "popPCables", "popPSystems", "popFieldAddRemove"}},
        {"popDWGTools",
         {"popDWGInsert", "popSubDrawBasicArc", "popDims", "popAutoScheme", "popQXCables",
          "popQXEquipment", "popQXCB", "popQXJack", "popQXPointer"}},
        {"bndDWGTools", {"popSubDrawBasicArc", "popDims", "popDWGInsert"}},
        {"bndTavrion", {"popAutoScheme", "popQXEquipment", "popQXCables"}},
        {"bndRPTFormat", {"popRPTAlign", "popRPTSize", "popRPTHSpace", "popRPTVSpace"}},
        {"popRPTFormat", {"popRPTAlign", "popRPTSize", "popRPTHSpace", "popRPTVSpace"}},
        {"popRPTFile", {"popRPTExport"}},
        {"popMouse", {"popDWGModify"}},
        {"popProjEx", {"popAttic"}},
    };
    // Read the links from the built entries: the popup each entry object opens.
    std::map<QString, QStringList> built;
    QSet<QString> opened;
    for (const Band& b : bars().layout().bands)
        for (QAction* a : bars().entries(b.name))
            if (a->menu()) {
                QStringList& list = built[b.name];
                if (!list.contains(a->menu()->objectName()))
                    list.append(a->menu()->objectName());
                opened.insert(a->menu()->objectName());
            }
    for (auto& [band, list] : built)
        list.sort();
    std::map<QString, QStringList> want = expected;
    for (auto& [band, list] : want)
        list.sort();
    EXPECT_EQ(built, want);
    for (const char* never :
         {"popMainFile", "popMainEdit", "popRPTModify", "popSubDrawBasicLine",
          "popSubDrawBasicPoint", "popSubDrawBasicCircle", "popDWGOSnap", "popQXJBox", "popQXRTR",
          "popMouse", "popProjEx", "popMousePinout", "popESInsert", "popESCable", "popProj"})
        EXPECT_FALSE(opened.contains(QLatin1String(never))) << never;
}

TEST_F(StoredLayout, CollectionNamesSubBandsTheLayoutLacksWhileMenuBarsOpenTheirOwn) {
    for (auto [tool, missing] :
         {std::pair{"mnuEdit", "popEdit"}, {"mnuWindow", "popWindow"}, {"mnuHelp", "popHelp"}}) {
        const auto defs = bars().layout().toolsNamed(QLatin1String(tool));
        ASSERT_EQ(defs.size(), 1u);
        EXPECT_EQ(defs[0]->subBand, QLatin1String(missing));
        EXPECT_EQ(bars().layout().band(QLatin1String(missing)), nullptr);
    }
    const Tool* exportImage = bars().layout().toolsNamed(QStringLiteral("catDExportImage")).front();
    EXPECT_EQ(exportImage->image, 19);
    EXPECT_FALSE(bars().layout().imageSize(19).has_value());
}

TEST_F(StoredLayout, SharedPopupIsOneObjectOnEveryMenuBar) {
    auto opens = [](QMenuBar* bar, const char* tool) -> QMenu* {
        for (QAction* a : bar->actions())
            if (a->objectName() == QLatin1String(tool))
                return a->menu();
        return nullptr;
    };
    QMenuBar* main = bars().menuBar(QStringLiteral("mnuMain"));
    QMenuBar* rpt = bars().menuBar(QStringLiteral("mnuChildRpt"));
    QMenuBar* dwg = bars().menuBar(QStringLiteral("mnuChildDwg"));
    ASSERT_TRUE(main && rpt && dwg);
    EXPECT_EQ(main, form->menuBar());
    EXPECT_TRUE(rpt->isHidden());
    for (const char* tool : {"mnuProjects", "mnuDatabase", "mnuWindow", "mnuHelp"}) {
        SCOPED_TRACE(tool);
        QMenu* shared = opens(main, tool);
        ASSERT_NE(shared, nullptr);
        EXPECT_EQ(opens(rpt, tool), shared);
        EXPECT_EQ(opens(dwg, tool), shared);
    }
    EXPECT_EQ(opens(rpt, "mnuEdit")->objectName(), QStringLiteral("popRPTEdit"));
    EXPECT_EQ(opens(main, "mnuEdit")->objectName(), QStringLiteral("popDWGEdit"));
}

TEST_F(StoredLayout, MenuBarCaptionsAreAsStored) {
    const std::pair<const char*, const char*> captions[] = {
        {"mnuProjects", "Project"},
        {"mnuFile", "&File"},
        {"mnuEdit", "&Edit"},
        {"mnuView", "&View"},
        {"mnuFormat", "F&ormat"},
        {"mnuTools", "&Tools"},
        {"mnuModify", "&Modify"},
        {"mnuDatabase", "&Database"},
        {"mnuADDINS", "Plugins"},
        {"mnuWindow", "&Window"},
        {"mnuHelp", "&Help"},
        {"Tool4183", "Tool4183"},
        {"toolPB", "Progress Bar"},
        {"TESTING", "TESTING"},
        {"catBGProcessMonitor", "Background Monitor"}};
    const QList<QAction*> entries = bars().entries(QStringLiteral("mnuMain"));
    ASSERT_EQ(entries.size(), int(std::size(captions)));
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(bars().toolOf(entries[i])->caption, QLatin1String(captions[i].second))
            << captions[i].first;
        EXPECT_EQ(entries[i]->text(), QLatin1String(captions[i].second)) << captions[i].first;
    }
    const QList<QAction*> dwg = bars().entries(QStringLiteral("mnuChildDwg"));
    EXPECT_EQ(bars().toolOf(dwg.last())->caption, QStringLiteral("Prograss Bar"));
    EXPECT_EQ(bars().toolOf(dwg.first())->caption, QStringLiteral("Projects"));
}

TEST_F(StoredLayout, StoresTwentyShortcutsWithTheirCaptions) {
    const std::tuple<const char*, const char*, const char*> shortcuts[] = {
        {"catDNew", "New Drawing ", "Ctrl+N"},
        {"catDOpen", "Open Drawing", "Ctrl+O"},
        {"catDSave", "Save Drawing", "Ctrl+S"},
        {"catDSaveAs", "Save Drawing As", "Ctrl+A"},
        {"catDSelectAll", "Select All", "Ctrl+A"},
        {"catDPrint", "Print", "Ctrl+P"},
        {"catDUndo", "Undo", "Ctrl+Z"},
        {"catDCuttoClip", "Cut", "Ctrl+X"},
        {"catDCopytoClip", "Copy", "Ctrl+C"},
        {"catDPaste", "Tool14", "Ctrl+V"},
        {"catGProjectExplorer", "Project Explorer", "Ctrl+D"},
        {"catRNew", "New Report", "Ctrl+N"},
        {"catRUndo", "Undo", "Ctrl+Z"},
        {"catRCut", "Cut", "Ctrl+X"},
        {"catRCopy", "Copy", "Ctrl+C"},
        {"catRPaste", "Paste", "Ctrl+V"},
        {"catDToggleGrid", "Toggle Grid", "F7"},
        {"catDToggleOrtho", "Toggle Ortho", "F8"},
        {"catDToggleSnap", "Toggle Snap Mode", "F9"},
        {"catDTogglePolarTracking", "Polar Tracking", "F10"}};
    std::map<QString, std::pair<QString, QKeySequence>> stored;
    for (const Tool& t : bars().layout().tools)
        if (!t.shortcut.isEmpty())
            stored[t.name] = {t.caption, t.shortcut};
    ASSERT_EQ(stored.size(), std::size(shortcuts));
    for (auto [name, caption, key] : shortcuts) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(stored.count(QLatin1String(name)));
        EXPECT_EQ(stored[QLatin1String(name)].first, QLatin1String(caption));
        EXPECT_EQ(stored[QLatin1String(name)].second, QKeySequence(QLatin1String(key)));
    }
    // catRUndo keeps its shortcut on one band entry only.
    int carrying = 0;
    for (const Band& b : bars().layout().bands)
        for (const Tool& e : b.entries)
            carrying += e.name == u"catRUndo" && !e.shortcut.isEmpty();
    EXPECT_EQ(carrying, 1);
}

TEST_F(StoredLayout, CollectionUsesTwentyOneCategoriesAndEntriesTheShortNames) {
    const QStringList categories = {"Tavrion Tools",  "Report Format",  "Database Functions",
                                    "Drawing Tools",  "Projects",       "Drawing View",
                                    "Drawing Modify", "Report Tools",   "Report File",
                                    "Drawing File",   "Drawing Insert", "Drawing Object Snaps",
                                    "Menus",          "Report View",    "WindowAndHelp",
                                    "Drawing Format", "Report Edit",    "Drawing Dimensions",
                                    "Drawing Edit",   "Auto Scheme",    "Drawing Text Styles"};
    QStringList stored = bars().layout().categories();
    stored.sort();
    QStringList want = categories;
    want.sort();
    EXPECT_EQ(stored, want);
    QSet<QString> onEntries;
    for (const Band& b : bars().layout().bands)
        for (const Tool& e : b.entries)
            if (!e.category.isEmpty() && !categories.contains(e.category))
                onEntries.insert(e.category);
    const QSet<QString> shortNames = {
        "AutoScheme", "DWGDims",   "DWGDraw",    "DWGEdit", "DWGFile",  "DWGFormat",
        "DWGInsert",  "DWGModify", "DWGOSnap",   "DWGView", "Database", "RPTEdit",
        "RPTFile",    "RPTFormat", "RPTToolbar", "RPTView", "QXToolBar"};
    EXPECT_EQ(onEntries, shortNames);
}

TEST_F(StoredLayout, PicturesComeInThreeSetsOf18_15And16Pixels) {
    const auto& sets = bars().layout().imageSets;
    ASSERT_EQ(sets.size(), 3u);
    const std::pair<int, size_t> expected[] = {{18, 8}, {15, 1}, {16, 245}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sets[i].size, expected[i].first);
        EXPECT_EQ(sets[i].imageIds.size(), expected[i].second);
    }
    QSet<int> referenced;
    for (const Tool& t : bars().layout().tools)
        if (t.image >= 0)
            referenced.insert(t.image);
    EXPECT_EQ(referenced.size(), 247);
}

TEST_F(StoredLayout, WidgetToolsKeepTheirStoredWidthsAndText) {
    const std::pair<const char*, int> widths[] = {{"cboFoStyle", 96},
                                                  {"cboFont", 96},
                                                  {"cboFoSize", 33},
                                                  {"cboInserts", 192},
                                                  {"lblDWGCoord", 192}};
    for (auto [name, width] : widths) {
        const Tool* t = bars().layout().toolsNamed(QLatin1String(name)).front();
        EXPECT_EQ(t->width, width) << name;
    }
    EXPECT_EQ(bars().layout().toolsNamed(QStringLiteral("lblDWGCoord")).front()->text,
              QStringLiteral("0 , 0"));
}

TEST_F(StoredLayout, ReportFormatPopupShowsTwentyThreeEntriesWithTheAlignToolTwice) {
    const QList<QAction*> entries = bars().entries(QStringLiteral("popRPTFormat"));
    ASSERT_EQ(entries.size(), 23);
    QList<QAction*> align;
    for (QAction* a : entries)
        if (bars().toolOf(a)->name == u"catRAlign")
            align.append(a);
    ASSERT_EQ(align.size(), 2);
    EXPECT_NE(align[0], align[1]);
    EXPECT_EQ(align[0]->menu(), align[1]->menu());
    EXPECT_EQ(entries, bars().popup(QStringLiteral("popRPTFormat"))->actions());
}

// A separator that closes a popup, or stands before an entry that is hidden (the empty window
// list), takes its place in the laid-out menu below the entries before it.
TEST_F(StoredLayout, ClosingSeparatorsAreLaidOutAsStored) {
    struct Closing {
        const char* band;
        int separator; // its entry index
    };
    for (const Closing& c : {Closing{"popADDINS", 1}, Closing{"popMainWindow", 3}}) {
        SCOPED_TRACE(c.band);
        QMenu* menu = bars().popup(QLatin1String(c.band));
        const QList<QAction*> entries = bars().entries(QLatin1String(c.band));
        ASSERT_TRUE(entries.value(c.separator) && entries[c.separator]->isSeparator());
        const QRect before = menu->actionGeometry(entries[c.separator - 1]);
        const QRect separator = menu->actionGeometry(entries[c.separator]);
        EXPECT_GT(separator.height(), 0);
        EXPECT_GE(separator.top(), before.bottom());
        EXPECT_GT(menu->sizeHint().height(), separator.bottom());
    }
}

} // namespace
