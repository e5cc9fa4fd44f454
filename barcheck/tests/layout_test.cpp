// The stored layout read back from the built component: every band with its kind and
// entries in order, the tool collection, the popup links, shortcuts and categories.
#include "layoutloader.h"
#include "mdiform1.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QToolBar>

#include <map>
#include <memory>

#include <gtest/gtest.h>

using namespace tav::toolbars;
using tav::barcheck::MDIForm1;

namespace {

struct BandRow {
    const char* name;
    const char* caption;
    BandKind kind;
    int count;
    const char* entries; // tool names in order; "|" is a separator
};

const BandRow kBands[] = {
    {"mnuMain", "Main", BandKind::MenuBar, 15,
     "mnuProjects mnuFile mnuEdit mnuView mnuFormat mnuTools mnuModify mnuDatabase mnuADDINS "
     "mnuWindow mnuHelp Tool4183 toolPB TESTING catBGProcessMonitor"},
    {"popProjects", "Projects", BandKind::Popup, 14,
     "catGProjectExplorer catPNewProject catPDeleteProject | catpUtilities | catGSecurityTools "
     "| catGImportExport | catPProjectPreferences catPSupportPaths | catGExit"},
    {"popDatabase", "Databases", BandKind::Popup, 21,
     "catLProjects | catLEquipment catMnuConns catLSignalTypes catLManufacturers | "
     "catLPCablesTop catLPSystemsTop catLNamedPaths catPLJackFields catLTodo catLDelv2JF "
     "catLDataCheck | Tool4214 catGFormView catGDSView | catLCompact catLResolve"},
    {"popMainWindow", "Windows", BandKind::Popup, 5, "catWTileH catWTileV catWCascade | Tool4102"},
    {"popMainHelp", "Help", BandKind::Popup, 12,
     "catHContents catHIndex catHTutorials | catHWeb catHNews catHForum catHUpdate | "
     "catHSystemValidator | catHAbout"},
    {"bndDWGTools", "Basic Drawing Tools", BandKind::Toolbar, 12,
     "catDLine catDPline catDPoint catDCenRad catDCircle catDRect catDEllipse catDArc catDText "
     "catRDims catDImage catDBlocks"},
    {"popMainFile", "File", BandKind::Popup, 2, "catGProjectExplorer catGExit"},
    {"popMainEdit", "Edit", BandKind::Popup, 0, ""},
    {"popDWGView", "Drawing View", BandKind::Popup, 18,
     "catDPan | catDZoomIn catDZoomOut catDWindow catDExtents catDZoomPrevious catDAll | "
     "catDZoomScale | catDRegen catDModelSpace catDPaperSpace catDNewViewport catDViewPort | "
     "catDDist"},
    {"popDWGFormat", "Drawing Format", BandKind::Popup, 7,
     "catDLayers catDTextStyles catDDimStyles catDPointStyles catDActiveDocSettings "
     "catDLayouts catDBoundary"},
    {"popDWGTools", "Drawing Tools", BandKind::Popup, 23,
     "catDBlocks | catDLine catDPline catDPoint catDCircle catDArc catDRect catDText catDImage "
     "catDEllipse catRDims | catDAutoScheme catWCables catWEquipment catWConnectorBlock "
     "catWJack catWXP catWJBox catWLinkPointer catWPointer catDEditText"},
    {"popRPTModify", "Report Modify", BandKind::Popup, 0, ""},
    {"popRPTTools", "Report Tools", BandKind::Popup, 13,
     "catRSelect catRLabel catRField catRCheckbox catRImage catRLine catRBox catRRTF catRFrame "
     "catRSubreport catRPageBreak catROLE catRBarcode"},
    {"mnuChildRpt", "Band15", BandKind::ChildMenuBar, 11,
     "mnuProjects mnuFile mnuEdit mnuView mnuFormat mnuTools mnuDatabase mnuADDINS mnuWindow "
     "mnuHelp catBGProcessMonitor"},
    {"mnuChildDwg", "Band16", BandKind::ChildMenuBar, 12,
     "mnuProjects mnuFile mnuEdit mnuView mnuFormat mnuTools mnuModify mnuDatabase mnuWindow "
     "mnuHelp Tool4185 toolPB"},
    {"popRPTEdit", "Report Edit", BandKind::Popup, 6,
     "catRUndo | catRCut catRCopy catRPaste catRDelete"},
    {"popDWGEdit", "Drawing Edit", BandKind::Popup, 7,
     "catDUndo catDRedo catDCuttoClip catDCopytoClip catDPaste | catDProperties"},
    {"popSubDrawBasicLine", "Draw Lines", BandKind::Popup, 1, "catDLine"},
    {"popSubDrawBasicPoint", "Draw Points", BandKind::Popup, 3,
     "catDPointMultiple catDPointMeasure catDPointDivide"},
    {"popSubDrawBasicCircle", "Draw Circles", BandKind::Popup, 2, "catD2pt catD3pt"},
    {"popSubDrawBasicArc", "Draw Arcs", BandKind::Popup, 2, "catDArc3pt catDArc2pt"},
    {"popDwgFile", "Drawing File", BandKind::Popup, 18,
     "catGProjectExplorer | catDNew catDOpen | catDRecoverDrawing catDStats | catDSave "
     "catDSaveAs catDSaveAsTemplate catDClose catDCloseAll | catDPageSetup catDPrintPreview "
     "catDPrint catDExportImage"},
    {"popRPTFile", "Report File", BandKind::Popup, 10,
     "catRNew catROpen catRSave catRSaveAs | catRPageSetup catRPrintPreview catRPrint | "
     "catRExport"},
    {"popQXEquipment", "Equipment", BandKind::Popup, 8,
     "catWAddEquipment catWAssignSysNames catWResetSystems catWEditSysNames catWMoveSystems "
     "catWEquipmentDelete catDSnapshot catDRackBuilder"},
    {"bndTavrion", "Single Line Tools", BandKind::Toolbar, 3,
     "catDAutoScheme catWEquipment catWCables"},
    {"popDWGModify", "Drawing Modify", BandKind::Popup, 18,
     "catDSelect catDErase catDCopy catDMove catDScale catDRotate catDMirror catDStretch "
     "catDExplode catDTrim catDExtend catDFillet catDCorner catDOffset catDBreak catDArray "
     "catDBringToFront catDSendToBack"},
    {"bndDWGModify", "Drawing Modification", BandKind::Toolbar, 18,
     "catDSelect catDErase catDCopy catDMove catDScale catDRotate catDMirror catDStretch "
     "catDExplode catDTrim catDExtend catDFillet catDCorner catDOffset catDBreak catDArray "
     "catDBringToFront catDSendToBack"},
    {"bndRPTFormat", "Report Formatting", BandKind::Toolbar, 25,
     "cboFoStyle cboFont cboFoSize | catRBackColor catRFrontColor catRLineColor catRLineStyle "
     "| catRBold catRItalic catRUnderline | catRAlignLeft catRAlignCenter catRAlignRight "
     "catRBullets | catRAlign catRSize catRHSpacing catRVSpacing | catRBringToFront "
     "catRSendToBack"},
    {"popRPTFormat", "Report Format", BandKind::Popup, 23,
     "catRBackColor catRFrontColor catRLineColor catRLineStyle catRBringToFront catRSendToBack "
     "catRAlign cboFoStyle catRFont catRBold catRFontSize catRItalic catRUnderline "
     "catRAlignLeft catRAlignCenter catRAlignRight catRBullets catRIndent catROutdent "
     "catRAlign catRSize catRHSpacing catRVSpacing"},
    {"bndDWGOSnap", "Drawing Object Snap", BandKind::Toolbar, 12,
     "catOSnapNone catOSnapEndPoint catOSnapMidPoint catOSnapCenter catOSnapInsert "
     "catOSnapPerp catOSnapAppInt catOSnapNode catOSnapQuadrant catOSnapTangent "
     "catOSnapNearest catOSnapIntersection"},
    {"popDWGOSnap", "Drawing Object Snap", BandKind::Popup, 11,
     "catOSnapNone catOSnapEndPoint catOSnapMidPoint catOSnapCenter catOSnapInsert "
     "catOSnapPerp catOSnapAppInt catOSnapNode catOSnapQuadrant catOSnapTangent "
     "catOSnapIntersection"},
    {"popQXCables", "Cables", BandKind::Popup, 12,
     "catWAddCables catWAssignCable catWCablesDelete catWDeAssCable | catWEditCable "
     "catWResetCables | catWPullFromDB | catWCableNoFormat catWDwgCableCheck"},
    {"popQXCB", "Connector Blocks", BandKind::Popup, 6,
     "catWAddCB catWAssignCB catWEditCB catWDeleteCB catWDassCB catWFindCB"},
    {"popQXJack", "Jacks", BandKind::Popup, 7,
     "catWAddJack catWAssignJF catWAssignJack catWDeleteJack catWDassJack catWFindJack "
     "catWBuildJF"},
    {"popQXJBox", "JBoxes", BandKind::Popup, 5,
     "catWAddJBox catWAssignJB catWDeleteJB catWDassJB catWFindJB"},
    {"popQXRTR", "Router Crosspoints", BandKind::Popup, 6,
     "catWAddXP catWAssignRouter catWAssignXP catWDeleteXP catWDassXP catWFindXP"},
    {"popQXPointer", "Pointers", BandKind::Popup, 2, "catWSPointer catWDPointer"},
    {"popRPTView", "Report View", BandKind::Popup, 8,
     "catRPropertiesList catRFieldList catRSortingAndGrouping | catRGrids | catRDesignView "
     "catRPrintPreview"},
    {"popRPTAlign", "Band40", BandKind::Popup, 7,
     "catRAlignLefts catRAlignRights catRAlignCenters | catRAlignTops catRAlignMiddles "
     "catRAlignBottoms"},
    {"popRPTSize", "Band41", BandKind::Popup, 3, "catRMakeHeight catRMakeWidth catRMakeBoth"},
    {"popRPTVSpace", "Band42", BandKind::Popup, 3, "catRVEqual catRVPlus catRVMinus"},
    {"popRPTHSpace", "Band43", BandKind::Popup, 3, "catRHEqual catRHPlus catRHMinus"},
    {"bndDWGView", "Drawing View", BandKind::Toolbar, 19,
     "catDPan | catDZoomIn catDZoomOut | catDWindow catDExtents catDZoomPrevious catDAll | "
     "catDZoomScale | catDRegen | catDNewViewport catDViewPort catDLayouts | catDDist"},
    {"bndDWGStandard", "Drawing Standard", BandKind::Toolbar, 17,
     "catGProjectExplorer | catDNew catDOpen catDSave catDSaveAs | catDPageSetup "
     "catDPrintPreview catDPrint | catDUndo catDRedo | catDCuttoClip catDCopytoClip catDPaste"},
    {"bndRPTStandard", "Report Standard", BandKind::Toolbar, 17,
     "catGProjectExplorer | catRNew catROpen catRSave catRSaveAs | catRPageSetup "
     "catRPrintPreview catRPrint | catRUndo catRRedo | catRCut catRCopy catRPaste"},
    {"bndDWGDims", "Dimensions", BandKind::Toolbar, 6,
     "catDDimAligned catDDimH catDDimV catDDimRadius catDDimDiameter catDDimAngular"},
    {"popDims", "Band48", BandKind::Popup, 6,
     "catDDimAligned catDDimH catDDimRadius catDDimDiameter catDDimAngular catDDimV"},
    {"bndRPTTools", "Report Toolbox", BandKind::Toolbar, 13,
     "catRSelect catRLabel catRField catRCheckbox catRImage catRLine catRBox catRRTF catRFrame "
     "catRSubreport catRPageBreak catROLE catRBarcode"},
    {"bndPL", "Report Properties", BandKind::Toolbar, 1, "frmPL"},
    {"popDWGInsert", "Insert", BandKind::Popup, 7,
     "catDAttrib catDInsert catDCreateBlock catDXRef catDEditAttrib | catDWBlock"},
    {"bndDrawCables", "Draw Cables", BandKind::Toolbar, 1, "frmDrawCables"},
    {"popMouse", "Band56", BandKind::Popup, 11,
     "catDDone | catDRestart catDSpecific | Tool4129 catDSelectAll | catDUndo | catDProperties"},
    {"bndCmdLine", "Command Line", BandKind::Toolbar, 1, "frmCmdLine"},
    {"popProjEx", "Project Explorer Functions", BandKind::Popup, 21,
     "catPRefresh catPConsolidate catPShowMe catPSwitchTo | catPNetlistAll catPNetlistOne | "
     "catPRenameDrawing | catPRevert | catPDeleteMissing catPRemoveDrawing "
     "catPClearDrawingList catPViewDrawingDB | catPUnlockDrawing catPViewPath | "
     "catPOpenProjectFolder"},
    {"bndDWGInserts", "Inserts", BandKind::Toolbar, 2, "catDInsert cboInserts"},
    {"popProjUtilities", "Project Utilities", BandKind::Popup, 7,
     "catPConsolidate catPLink catPChangePWord catPErrorCheck catLPurgeNetlist catPPurgeXLog "
     "catPBGProcView"},
    {"popRPTExport", "Export", BandKind::Popup, 6,
     "catRExportExcel catRExportHTML catRExportPDF catRExportRTF catRExportText catRExportTiff"},
    {"bndDWGFormat", "Drawing Format Dialogs", BandKind::Toolbar, 6,
     "catDLayers catDTextStyles catDDimStyles catDPointStyles catDLayouts catDBoundary"},
    {"popImportExport", "Import Export", BandKind::Popup, 1, "catPExportToExcel"},
    {"bndDWGProp", "Drawing Properties", BandKind::Toolbar, 1, "frmDWGProp"},
    {"bndStatus", "Status", BandKind::Toolbar, 5,
     "catDToggleGrid catDToggleSnap catDToggleOrtho catDTogglePolarTracking lblDWGCoord"},
    {"popADDINS", "Add-Ins", BandKind::Popup, 2, "catHPlugins |"},
    {"Band64", "Band64", BandKind::ChildMenuBar, 0, ""},
    {"popFieldAddRemove", "Add or Remove Fields", BandKind::Popup, 2, "catAddField catDeleteField"},
    {"bndArialView", "Aerial View", BandKind::Toolbar, 1, "frmAView"},
    {"popMousePinout", "", BandKind::Popup, 3, "Tool4226 | catDUndo"},
    {"popDBConn", "Connectors", BandKind::Popup, 6,
     "catLConnectors catLPin catLPinouts | catLCT catLColorCodes"},
    {"popAutoScheme", "AutoScheme Tools", BandKind::Popup, 2, "catDAutoBlock catDRatsNest"},
    {"popPCables", "Project Cables Database", BandKind::Popup, 3,
     "catPLCables catLProjectConductors catLPCablesImport"},
    {"popPSystems", "Project Systems Database", BandKind::Popup, 2,
     "catPLSystems catLPSystemsImport"},
    {"bndWL", "Window List", BandKind::Toolbar, 1, "Tool4263"},
    {"bndNav", "Tavrion Navigation", BandKind::Toolbar, 0, ""},
    {"popESInsert", "Insert", BandKind::Popup, 1, "catDEditAttrib"},
    {"popESCable", "Band75", BandKind::Popup, 3, "catWAssignCable catWCablesDelete catWDeAssCable"},
    {"popProj", "Band75", BandKind::Popup, 0, ""},
    {"popAttic", "Band76", BandKind::Popup, 0, ""},
    {"popSecurityTools", "Security Tools", BandKind::Popup, 3,
     "catPChangePWord catPSysAdminTools catPViewPerms"},
};

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

TEST_F(StoredLayout, CarriesEveryBandInStoredOrderWithCaptionAndKind) {
    const auto& bands = bars().layout().bands;
    ASSERT_EQ(bands.size(), std::size(kBands));
    for (size_t i = 0; i < bands.size(); ++i) {
        SCOPED_TRACE(kBands[i].name);
        EXPECT_EQ(bands[i].name, QLatin1String(kBands[i].name));
        EXPECT_EQ(bands[i].caption, QLatin1String(kBands[i].caption));
        EXPECT_EQ(bands[i].kind, kBands[i].kind);
    }
}

TEST_F(StoredLayout, EveryBandShowsItsEntriesInOrderAsSeparateObjects) {
    int total = 0, separators = 0;
    QSet<QString> distinct;
    QSet<const QAction*> objects;
    for (const BandRow& row : kBands) {
        SCOPED_TRACE(row.name);
        const QList<QAction*> entries = bars().entries(QLatin1String(row.name));
        const QStringList expected =
            QString::fromLatin1(row.entries).split(u' ', Qt::SkipEmptyParts);
        ASSERT_EQ(entries.size(), row.count);
        ASSERT_EQ(expected.size(), row.count);
        for (int i = 0; i < entries.size(); ++i) {
            const Tool* tool = bars().toolOf(entries[i]);
            ASSERT_NE(tool, nullptr);
            EXPECT_EQ(bars().bandOf(entries[i]), QLatin1String(row.name));
            objects.insert(entries[i]);
            if (expected[i] == u"|") {
                EXPECT_TRUE(tool->isSeparator()) << "entry " << i;
                EXPECT_TRUE(entries[i]->isSeparator()) << "entry " << i;
                EXPECT_TRUE(tool->name.startsWith(u"Tool")) << qPrintable(tool->name);
                ++separators;
            } else {
                EXPECT_EQ(tool->name, expected[i]) << "entry " << i;
                EXPECT_FALSE(entries[i]->isSeparator()) << "entry " << i;
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

const char* const kNamedTools[] = {
    "catAddField catBGProcessMonitor catD2pt catD3D catD3DFace catD3DMesh catD3pt "
    "catDActiveDocSettings catDAll catDArc catDArc2pt catDArc3pt catDArray catDAttrib "
    "catDAutoBlock catDAutoScheme catDBlock catDBlocks catDBlocksDialog catDBoundary catDBox "
    "catDBreak catDBringToFront catDcboFont catDCenRad catDCircle catDClose catDCloseAll "
    "catDCone catDCopy catDCopytoClip catDCorner catDCreateBlock catDCuttoClip catDDimAligned "
    "catDDimAngular catDDimDiameter catDDimH catDDimRadius catDDimStyles catDDimV catDDist "
    "catDDone catDEditAttrib catDEditText catDeleteField catDEllipse catDErase catDExplode "
    "catDExportImage catDExtend catDExtents catDFillet catDImage catDInsert catDLayers "
    "catDLayouts catDLine catDMirror catDModelSpace catDMove catDNew catDNewViewport catDOffset "
    "catDOpen catDPageSetup catDPan catDPaperSpace catDPaste catDPline catDPlineToMesh "
    "catDPoint catDPointDivide catDPointMeasure catDPointMultiple catDPointStyles catDPrint "
    "catDPrintPreview catDProperties catDRackBuilder catDRatsNest catDRecoverDrawing catDRect "
    "catDRedo catDRegen catDRestart catDRotate catDSave catDSaveAs catDSaveAsTemplate catDScale "
    "catDSelect catDSelectAll catDSendToBack catDSnapshot catDSpecific catDSphere catDStats "
    "catDStretch catDText catDTextStyles catDToggleGrid catDToggleOrtho catDTogglePolarTracking "
    "catDToggleSnap catDTrim catDtxtHeight catDUndo catDViewPort catDWBlock catDWindow catDXRef "
    "catDZoomIn catDZoomOut catDZoomPrevious catDZoomScale catGDSView catGExit catGFormView "
    "catGImportExport catGProjectExplorer catGSecurityTools catHAbout catHContents catHForum "
    "catHIndex catHNews catHPlugins catHSystemValidator catHTutorials catHUpdate catHWeb "
    "catLColorCodes catLCompact catLConnectors catLCT catLDataCheck catLDelv2JF catLEquipment "
    "catLJF catLManufacturers catLNamedPaths catLPCablesImport catLPCablesTop catLPin "
    "catLPinouts catLProjectConductors catLProjects catLPSystemsImport catLPSystemsTop "
    "catLPurgeNetlist catLResolve catLSignalTypes catLTodo catMnuConns catOSnapAppInt "
    "catOSnapCenter catOSnapEndPoint catOSnapInsert catOSnapIntersection catOSnapMidPoint "
    "catOSnapNearest catOSnapNode catOSnapNone catOSnapPerp catOSnapQuadrant catOSnapTangent "
    "catPBGProcView catPChangePWord catPClearDrawingList catPConsolidate catPDeleteMissing "
    "catPDeleteProject catPErrorCheck catPExportToExcel catPLCables catPLink catPLJackFields "
    "catPLSystems catPNetlistAll catPNetlistOne catPNewProject catPOpenProject "
    "catPOpenProjectFolder catPProjectPreferences catPPurgeXLog catPRefresh catPRemoveDrawing "
    "catPRenameDrawing catPRevert catProjectPreferences catPShowMe catPSupportPaths "
    "catPSwitchTo catPSysAdminTools catPUnlockDrawing catpUtilities catPViewDrawingDB "
    "catPViewPath catPViewPerms catPViewProjBlocks catRAlign catRAlignBottoms catRAlignCenter "
    "catRAlignCenters catRAlignLeft catRAlignLefts catRAlignMiddles catRAlignRight "
    "catRAlignRights catRAlignTops catRBackColor catRBarcode catRBold catRBox catRBringToFront "
    "catRBullets catRCheckbox catRCodeEditor catRCopy catRCut catRDatabases catRDate catRDelete "
    "catRDesignView catRDims catRExport catRExportExcel catRExportHTML catRExportPDF "
    "catRExportRTF catRExportText catRExportTiff catRExpression catRField catRFieldList "
    "catRFont catRFontSize catRFrame catRFrontColor catRGrids catRHEqual catRHMinus catRHPlus "
    "catRHSpacing catRImage catRImportCSV catRIndent catRItalic catRLabel catRLine "
    "catRLineColor catRLineStyle catRMakeBoth catRMakeHeight catRMakeWidth catRNew catROLE "
    "catROpen catROutdent catRPageBreak catRPageSetup catRPaste catRPrint catRPrintPreview "
    "catRProperties catRPropertiesList catRPropertyPage catRRedo catRRTF catRSave catRSaveAs "
    "catRSelect catRSendToBack catRSize catRSortingAndGrouping catRSubreport catRSummary "
    "catRUnderline catRUndo catRVEqual catRViewExplorer catRVMinus catRVPlus catRVSpacing "
    "catWAddCables catWAddCB catWAddEquipment catWAddJack catWAddJBox catWAddXP catWAssignCable "
    "catWAssignCB catWAssignJack catWAssignJB catWAssignJF catWAssignRouter catWAssignSysNames "
    "catWAssignXP catWBuildJF catWCableNoFormat catWCables catWCablesDelete catWCascade "
    "catWConnectorBlock catWDassCB catWDassJack catWDassJB catWDassXP catWDeAssCable "
    "catWDeleteCB catWDeleteJack catWDeleteJB catWDeleteXP catWDPointer catWDwgCableCheck "
    "catWEditCable catWEditCB catWEditSysNames catWEquipment catWEquipmentDelete catWFindCB "
    "catWFindEquipment catWFindJack catWFindJB catWFindXP catWJack catWJBox catWLinkPointer "
    "catWMoveSystems catWPointer catWPullFromDB catWResetCables catWResetSystems catWSPointer "
    "catWTileH catWTileV catWXP cboFont cboFoSize cboFoStyle cboInserts frmAView frmCmdLine "
    "frmDrawCables frmDWGProp frmPL lblDWGCoord mnuADDINS mnuDatabase mnuEdit mnuFile mnuFormat "
    "mnuHelp mnuModify mnuProjects mnuTools mnuView mnuWindow TESTING Tool218 Tool219 Tool220 "
    "Tool222 Tool223 Tool224 Tool225 Tool227 Tool239 Tool240 Tool258 Tool259 Tool260 Tool4059 "
    "Tool4060 Tool4102 Tool4113 Tool4114 Tool4123 Tool4127 Tool4129 Tool4132 Tool4133 Tool4134 "
    "Tool4135 Tool4140 Tool4144 Tool4145 Tool4146 Tool4147 Tool4151 Tool4164 Tool4165 Tool4168 "
    "Tool4169 Tool4179 Tool4181 Tool4182 Tool4183 Tool4184 Tool4185 Tool4186 Tool4188 Tool4189 "
    "Tool4190 Tool4191 Tool4214 Tool4216 Tool4217 Tool4220 Tool4226 Tool4244 Tool4263 Tool4264 "
    "Tool4265 Tool4266 Tool4267 Tool4268 Tool4269 Tool4270 Tool4275 Tool4276 Tool4277 Tool4278 "
    "Tool4279 Tool4283 Tool4284 Tool4285 Tool4286 Tool4287 Tool4288 Tool4289 Tool4290 toolPB"};

TEST_F(StoredLayout, CollectionDefinesEveryNamedToolSeparatorAndBuiltIn) {
    QStringList expected;
    for (const char* chunk : kNamedTools)
        expected += QString::fromLatin1(chunk).split(u' ', Qt::SkipEmptyParts);
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
    named.sort(Qt::CaseInsensitive);
    expected.sort(Qt::CaseInsensitive);
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

} // namespace
