// The checker's logic over an accessibility tree built in memory: the walk through every
// tool of a small layout, how each tool is accounted for, the matching of accessible names,
// and the time one step may take against a program that freezes.
#include "a11y.h"
#include "barlayout.h"
#include "bartester.h"
#include "checkrunner.h"
#include "faketree.h"
#include "tester.h"
#include "toolwalk.h"

#include <QElapsedTimer>

#include <X11/keysym.h>
#include <map>
#include <set>

#include <gtest/gtest.h>

using namespace checkall;
using checkall::test::FakeBus;
using checkall::test::FakeElement;

namespace {

// A menu with a popup, a toolbar with a tool, a progress bar and a button that opens a
// popup, whose popup holds the toolbar's tool once more, silent there (it opens a popup);
// one tool on no band. 8 named tools: 4 to answer, 3 silent, 1 not shown.
const char* const SmallLayout = R"(<layout><tools>
<tool name="mnuFile" id="1" kind="button" caption="&amp;File" subband="popFile"/>
<tool name="cmdNew" id="2" kind="button" caption="&amp;New&#9;Ctrl+N"/>
<tool name="cmdOpen" id="3" kind="button" caption="Open"/>
<tool name="cmdLine" id="4" kind="button" caption="Line"/>
<tool name="cmdNowhere" id="5" kind="button" caption="Nowhere"/>
<tool name="barProgress" id="6" kind="progress" caption="Progress"/>
<tool name="cmdMore" id="7" kind="button" caption="More" subband="popMore"/>
<tool name="cmdDeep" id="8" kind="button" caption="Deep"/>
</tools><bands>
<band name="mnuMain" kind="menubar"><entry name="mnuFile" id="1"/></band>
<band name="popFile" kind="popup" caption="File"><entry name="cmdNew" id="2"/><entry name="cmdOpen" id="3"/></band>
<band name="bndTools" kind="toolbar" caption="Tools"><entry name="cmdLine" id="4"/><entry name="barProgress" id="6"/><entry name="cmdMore" id="7"/></band>
<band name="popMore" kind="popup" caption="More"><entry name="cmdDeep" id="8"/><entry name="cmdLine" id="4" subband="popFile"/></band>
</bands></layout>)";

// barcheck as its accessibility tree shows it: every used tool opens the box that names it.
struct FakeBarcheck {
    FakeBus bus;
    std::shared_ptr<FakeElement> app, frame;
    std::vector<std::shared_ptr<FakeElement>> menus;
    std::map<QString, QString> answerOf; // tool: the name its box says instead
    std::set<QString> noPress;           // tools without a press action
    std::set<QString> shut;              // tools whose popup does not open
    std::set<QString> hidden;            // tools whose popup opens but never shows
    QString freezesOn;                   // the tool after whose use the program freezes

    void build(const BarLayout& layout) {
        app = bus.root()->add(QStringLiteral("barcheck"), role::Frame);
        app->setProgram(4242);
        frame = app->add(QStringLiteral("MDIForm1"), role::Frame);
        for (const BarBand* b : layout.shownBands()) {
            const bool menuBar = b->kind == QLatin1String("menubar");
            addEntries(
                frame->add(menuBar ? QString() : b->label, menuBar ? role::MenuBar : role::ToolBar),
                *b, layout);
        }
        bus.onKey = [this](unsigned long key) {
            if (key == XK_Escape)
                for (const auto& m : menus)
                    m->setShown(false);
        };
    }

    void addEntries(const std::shared_ptr<FakeElement>& parent, const BarBand& band,
                    const BarLayout& layout) {
        for (const BarEntry& e : band.entries) {
            // Accessible names keep the shortcut text after a tab.
            auto item = parent->add(e.label + (e.name == QLatin1String("cmdNew")
                                                   ? QStringLiteral("\tCtrl+N")
                                                   : QString()),
                                    role::PushButton);
            QStringList actions;
            if (!noPress.count(e.name))
                actions << QStringLiteral("Press");
            std::shared_ptr<FakeElement> menu;
            if (const BarBand* popup = e.opens.isEmpty() ? nullptr : layout.band(e.opens)) {
                actions << QStringLiteral("ShowMenu");
                menu = item->add(popup->label, role::Menu);
                menu->setShown(false);
                menus.push_back(menu);
                addEntries(menu, *popup, layout);
            }
            const QString name = e.name;
            item->setActions(actions, [this, name, menu](const QString& action) {
                if (action == QLatin1String("ShowMenu")) {
                    if (shut.count(name) || !menu)
                        return false;
                    menu->setShown(!hidden.count(name));
                } else if (name == freezesOn) {
                    bus.freeze();
                } else {
                    showBox(answerOf.count(name) ? answerOf[name] : name);
                }
                return true;
            });
        }
    }

    void showBox(const QString& tool) {
        auto box = app->add(QStringLiteral("prjBarCheck"), role::Dialog);
        box->add(clickAnswer(tool), role::Label);
        const std::weak_ptr<FakeElement> weak = box;
        box->add(QStringLiteral("OK"), role::PushButton)
            ->setActions({QStringLiteral("Press")}, [this, weak](const QString&) {
                app->remove(weak.lock());
                return true;
            });
    }
};

struct WalkCase {
    const char* name;
    std::function<void(FakeBarcheck&)> fault;
    const char* tally;
    QStringList failures; // the start of each failure text, in order
};

} // namespace

TEST(CheckallToolWalk, AccountsForEveryToolOfTheLayoutWithinTheStepTime) {
    BarLayout layout;
    QString error;
    ASSERT_TRUE(readBarLayout(SmallLayout, layout, error)) << qPrintable(error);
    const WalkCase cases[] = {
        {"EveryToolAnswers",
         {},
         "4 answered, 3 silent by design, 1 not shown, 0 failed (of 8)",
         {}},
        {"AnswerNamesAnotherTool",
         [](FakeBarcheck& f) { f.answerOf["cmdOpen"] = "cmdNew"; },
         "3 answered, 3 silent by design, 1 not shown, 1 failed (of 8)",
         {"cmdOpen on File: expected box \"prjBarCheck\": you clicked cmdOpen it looks like the "
          "toolbars are working, seen box \"prjBarCheck\": you clicked cmdNew"}},
        {"ToolWithoutPress",
         [](FakeBarcheck& f) { f.noPress.insert("cmdLine"); },
         "3 answered, 3 silent by design, 1 not shown, 1 failed (of 8)",
         {"cmdLine on Tools: no press action"}},
        {"PopupThatDoesNotOpen",
         [](FakeBarcheck& f) { f.shut.insert("cmdMore"); },
         "3 answered, 3 silent by design, 1 not shown, 1 failed (of 8)",
         {"cmdDeep (Deep): not found on More"}},
        {"PopupThatNeverShows",
         [](FakeBarcheck& f) { f.hidden.insert("cmdMore"); },
         "3 answered, 3 silent by design, 1 not shown, 1 failed (of 8)",
         {"cmdDeep (Deep): not found on More"}},
        {"ProgramFreezesAfterATool",
         [](FakeBarcheck& f) { f.freezesOn = "cmdLine"; },
         "2 answered, 3 silent by design, 1 not shown, 2 failed (of 8)",
         {"cmdLine on Tools: expected the box \"you clicked cmdLine it looks like the toolbars "
          "are working\" for cmdLine, seen no message box after 0.3 s",
          "cmdDeep (Deep): not found on More"}},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeBarcheck fake;
        if (c.fault)
            c.fault(fake);
        fake.build(layout);
        useBus(&fake.bus);
        setCallTimeout(5000);
        Context ctx;
        ctx.options.stepTimeoutMs = 300;
        Tester t(ctx, QStringLiteral("barcheck"));
        t.attach(Node(fake.app));
        t.setMainTitle(QStringLiteral("MDIForm1"));
        BarTester bar(t, layout);
        bar.setFrame(Node(fake.frame));
        ToolWalk walk(bar);
        QElapsedTimer timer;
        timer.start();
        walk.run();
        const qint64 ms = timer.elapsed();
        useBus(nullptr);

        EXPECT_EQ(walk.tally().text(), QString::fromLatin1(c.tally));
        ASSERT_EQ(walk.failures().size(), c.failures.size())
            << qPrintable(walk.failures().join('\n'));
        for (qsizetype i = 0; i < c.failures.size(); ++i)
            EXPECT_TRUE(walk.failures()[i].startsWith(c.failures[i]))
                << qPrintable(walk.failures()[i]);
        // The short timeout for opening a popup ends with the attempt, however it went.
        EXPECT_EQ(callTimeout(), 5000);
        // A frozen program costs each step its limit, not each call the call timeout: two steps
        // meet it (the tool that froze it, the band after), and no wait outlasts its step.
        EXPECT_LE(fake.bus.blockedMs, 2 * 300);
        EXPECT_LT(ms, 1500);
        EXPECT_TRUE(fake.app->kids().size() == 1) << "a box was left open";
    }
}
