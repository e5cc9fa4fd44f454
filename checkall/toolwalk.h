#pragma once
// barcheck's every tool accounted for: each named tool of the stored layout that a tester can
// reach on the shown bands is used once and must answer with its own name; the rest are
// silent by design or not shown. The menu bar's popups come first, through their menus, then
// what only the toolbars open. Each tool used, and each band opened, is one step.
#include "a11y.h"
#include "barlayout.h"
#include "report.h"

#include <QString>
#include <QStringList>

#include <map>
#include <set>
#include <utility>
#include <vector>

namespace checkall {

class BarTester;
class Tester;

class ToolWalk {
  public:
    enum class Outcome { NotShown, Silent, Answered, Failed };
    struct Tally {
        int answered = 0, silent = 0, notShown = 0, failed = 0, of = 0;
        // "A answered, S silent by design, U not shown, F failed (of N)"
        QString text() const;
    };

    explicit ToolWalk(BarTester& bar);

    // Walks every band; throws StepFailed only when the program ended.
    void run();
    Tally tally() const;
    Outcome outcome(const QString& tool) const;
    // One text per failed tool, in the order found.
    const QStringList& failures() const { return m_failures; }

  private:
    using Opener = std::pair<const BarBand*, size_t>; // band and entry that open a popup
    void plan();
    void planOpenedFrom(const BarBand* band);
    bool isShown(const BarBand* band) const;
    Node bandNode(const BarBand* band);
    Node openPopup(const BarBand* band);
    Node openThrough(const Opener& opener, const Node& parent, const QString& label);
    void closeMenus();
    void walkBand(const BarBand* band);
    bool usable(const BarBand& band, size_t i, const std::map<size_t, Node>& nodes);
    void tryEntry(const BarBand& band, const BarEntry& e, const Node& node);
    void countUnusable();

    BarTester& m_bar;
    Tester& m_t;
    const BarLayout& m_layout;
    std::vector<const BarBand*> m_order;  // bands in the order they are walked
    std::map<QString, Opener> m_openedBy; // popup band name: where it is first reached from
    std::map<QString, Outcome> m_outcome;
    QStringList m_failures;
    std::set<QString> m_tried;
    std::map<QString, QString> m_unusable; // tool name: why an entry of it could not be used
    std::map<QString, Node> m_bandNodes;   // the accessible object of each band reached
    std::vector<Node> m_opened;            // menus opened on the way to a popup, outermost first
};

// The check "every tool": the tally as its figure, a failure for any tool that failed.
void checkEveryTool(BarTester& bar, CheckResult& r);

} // namespace checkall
