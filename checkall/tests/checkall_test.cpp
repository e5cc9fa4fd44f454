#include "barlayout.h"
#include "markup.h"
#include "options.h"
#include "report.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace checkall;

TEST(CheckallOptions, ReadsEveryFormAndRefusesMistakes) {
    struct Case {
        QStringList args;
        bool ok;
        QStringList programs;
        int timeoutMs;
        QString report;
    };
    const QStringList all = allPrograms();
    const Case cases[] = {
        {{}, true, all, 20000, {}},
        {{"--demo", "--exhaustive", "--report", "out"}, true, all, 20000, "out"},
        {{"--report=out dir", "propcheck", "barcheck", "propcheck"},
         true,
         {"propcheck", "barcheck"},
         20000,
         "out dir"},
        {{"--step-timeout", "2.5", "gridcheck"}, true, {"gridcheck"}, 2500, {}},
        {{"--step-timeout=0"}, false, {}, 0, {}},
        // The edges of the limit: the largest accepted, just above it, the smallest step.
        {{"--step-timeout=3600"}, true, all, 3600000, {}},
        {{"--step-timeout", "3600.01"}, false, {}, 0, {}},
        {{"--step-timeout", "0.0001"}, true, all, 1, {}},
        {{"--step-timeout", "-1"}, false, {}, 0, {}},
        {{"--step-timeout", "nan"}, false, {}, 0, {}},
        {{"--report", "r", "--report", "s"}, true, all, 20000, "s"},
        {{"datacheck", "--", "gridcheck"}, false, {}, 0, {}},
        {{"--step-timeout", "soon"}, false, {}, 0, {}},
        {{"--step-timeout"}, false, {}, 0, {}},
        {{"--report"}, false, {}, 0, {}},
        {{"--report="}, false, {}, 0, {}},
        {{"--fast"}, false, {}, 0, {}},
        {{"notepad"}, false, {}, 0, {}},
    };
    for (const Case& c : cases) {
        Options o;
        QString error;
        const bool ok = parseOptions(c.args, o, error);
        EXPECT_EQ(ok, c.ok) << qPrintable(c.args.join(u' '));
        EXPECT_EQ(error.isEmpty(), c.ok) << qPrintable(error);
        if (!ok || !c.ok)
            continue;
        EXPECT_EQ(o.programs, c.programs) << qPrintable(c.args.join(u' '));
        EXPECT_EQ(o.stepTimeoutMs, c.timeoutMs);
        EXPECT_EQ(o.reportDir, c.report);
    }
    Options o;
    QString error;
    ASSERT_TRUE(parseOptions({"--demo", "--exhaustive"}, o, error));
    EXPECT_TRUE(o.demo);
    EXPECT_TRUE(o.exhaustive);
}

namespace {

RunReport sampleRun() {
    RunReport run;
    run.programs = {"datacheck", "gridcheck"};
    run.started = "today";
    run.mode = "demo data";
    CheckResult pass{"datacheck",
                     "fill grid",
                     true,
                     1.5,
                     {},
                     {},
                     {{"records", "4000"}},
                     "datacheck-fill-grid.png",
                     "after <Fill Grid>"};
    CheckResult fail{"gridcheck",
                     "window",
                     false,
                     0.25,
                     "the window \"Data Access Test\"",
                     "box \"prjGridCheck\": Error <3044> & 'path' \x01",
                     {},
                     {},
                     {}};
    run.checks = {pass, fail};
    return run;
}

} // namespace

TEST(CheckallReport, LinesAndPagesCarryEveryOutcomeWithProgramTextsEscaped) {
    const RunReport run = sampleRun();
    EXPECT_EQ(summaryLine(run), "1 passed, 1 failed");
    // Each count in its place, and the empty run.
    RunReport more = run;
    more.checks.push_back(run.checks[0]);
    more.checks.push_back(run.checks[0]);
    EXPECT_EQ(summaryLine(more), "3 passed, 1 failed");
    EXPECT_EQ(summaryLine(RunReport{}), "0 passed, 0 failed");
    EXPECT_TRUE(consoleLine(run.checks[0])
                    .contains(QRegularExpression(
                        "datacheck +fill grid +PASS +1.50 s +\\(records: 4000\\)")))
        << qPrintable(consoleLine(run.checks[0]));
    EXPECT_TRUE(consoleLine(run.checks[1]).contains("FAIL"));
    EXPECT_TRUE(
        consoleLine(run.checks[1]).contains("expected the window \"Data Access Test\"; seen box"));

    EXPECT_EQ(tav::escapeMarkup("a<b>&\"c\"'\r\n\x02"),
              "a&lt;b&gt;&amp;&quot;c&quot;&#39;&#13;&#10;\uFFFD");
    const QString html = htmlPage(run);
    EXPECT_TRUE(html.contains("Error &lt;3044&gt; &amp; &#39;path&#39;"));
    EXPECT_FALSE(html.contains("<3044>"));
    EXPECT_TRUE(
        html.contains("<img src=\"datacheck-fill-grid.png\" alt=\"after &lt;Fill Grid&gt;\">"));
    EXPECT_TRUE(html.contains("records: 4000"));

    // JUnit: testsuites > testsuite per program > testcase per check, failure with its message.
    QXmlStreamReader xml(junitXml(run));
    QStringList seen;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("testsuite"))
            seen << QString("suite %1 tests=%2 failures=%3 time=%4")
                        .arg(a.value("name"), a.value("tests"), a.value("failures"),
                             a.value("time"));
        else if (xml.name() == QLatin1String("testcase"))
            seen << QString("case %1 time=%2").arg(a.value("name"), a.value("time"));
        else if (xml.name() == QLatin1String("failure"))
            seen << QString("failure %1").arg(a.value("message"));
    }
    ASSERT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
    EXPECT_EQ(
        seen,
        QStringList({"suite datacheck tests=1 failures=0 time=1.50", "case fill grid time=1.50",
                     "suite gridcheck tests=1 failures=1 time=0.25", "case window time=0.25",
                     "failure expected the window \"Data Access Test\"; seen box \"prjGridCheck\": "
                     "Error <3044> & 'path' \uFFFD"}));
}

TEST(CheckallBarLayout, StoredLayoutNamesEveryToolAndWhatTheShownBandsReach) {
    BarLayout layout;
    QString error;
    ASSERT_TRUE(storedBarLayout(layout, error)) << qPrintable(error);
    EXPECT_EQ(layout.namedTools.size(), 434);
    const auto shown = layout.shownBands();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front()->name, "mnuMain");
    QStringList popups;
    for (const BarBand* b : layout.reachablePopups())
        popups << b->name;
    // Reached through the frame's menu bar and toolbars; never through a child menu bar only.
    EXPECT_TRUE(popups.contains("popRPTAlign"));
    EXPECT_FALSE(popups.contains("popRPTFormat"));
    const BarBand* main = shown.front();
    int titles = 0;
    for (const BarEntry& e : main->entries)
        titles += !e.opens.isEmpty();
    EXPECT_EQ(titles, 11);
    EXPECT_EQ(main->entries.front().label, "Project");
    EXPECT_EQ(main->entries.front().use, Use::Silent);

    BarLayout broken;
    EXPECT_FALSE(readBarLayout(
        "<layout><bands><band name=\"b\"><entry name=\"nope\" id=\"1\"/></band></bands></layout>",
        broken, error));
    EXPECT_TRUE(error.contains("nope"));
}
