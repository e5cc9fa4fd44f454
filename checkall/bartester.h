#pragma once
// barcheck as a tester sees it: the frame, its bands and their entries matched to the stored
// layout, and each entry used the way a tester would (pressed, picked, Enter) and expected to
// answer with a box that names it.
#include "a11y.h"
#include "barlayout.h"
#include "report.h"

#include <QString>

#include <map>

namespace checkall {

class Tester;

// The text of the box barcheck shows for a used tool.
QString clickAnswer(const QString& tool);

class BarTester {
  public:
    BarTester(Tester& t, const BarLayout& layout) : m_t(t), m_layout(layout) {}

    Tester& tester() const { return m_t; }
    const BarLayout& layout() const { return m_layout; }
    const Node& frame() const { return m_frame; }
    void setFrame(const Node& frame) { m_frame = frame; }

    // The frame's bands are its direct children.
    Node band(int wanted, const QString& label) const;
    Node menuBar() const { return band(role::MenuBar, QString()); }
    Node toolBar(const QString& label) const { return band(role::ToolBar, label); }
    // The shown object of a toolbar band of the layout (a status bar when docked there).
    Node bandOf(const BarBand& b) const;

    // The accessible objects of a shown band's entries, matched in order by their names.
    std::map<size_t, Node> entryNodes(const BarBand& band, const Node& bandNode) const;

    // Uses the entry as a tester would.
    void use(const BarEntry& e, const Node& node);
    // Uses the entry and expects exactly its own answer; closes the box.
    void expectAnswer(const BarEntry& e, const Node& node, CheckResult* shot = nullptr);

  private:
    void pick(const BarEntry& e, const Node& node);

    Tester& m_t;
    const BarLayout& m_layout;
    Node m_frame;
};

} // namespace checkall
