#pragma once
// What barcheck's stored layout says a tester can reach: the named tools, the bands the
// frame shows, the popups they open and what each entry does when used.
#include <QString>
#include <QStringList>

#include <vector>

namespace checkall {

// How a tester uses an entry and what it answers.
enum class Use {
    Click,  // a button or menu entry: pressed, answers with its own name
    Pick,   // a combo box: an entry is picked, answers with its own name
    Enter,  // a text field: Enter, answers with its own name
    Silent, // opens a popup only, a progress bar, a hosted window or a window list
};

struct BarEntry {
    QString name;  // the tool's name, which its answer carries
    QString label; // the accessible name: the caption without '&' and shortcut, or the name
    Use use = Use::Click;
    QString opens;         // popup band opened by the entry, if any
    bool dropDown = false; // a tool with a main part and an arrow that opens `opens`
};

struct BarBand {
    QString name;
    QString label; // the band's accessible name
    QString kind;  // menubar, childmenubar, toolbar, popup
    QString dock;
    std::vector<BarEntry> entries; // separators left out
};

struct BarLayout {
    QStringList namedTools; // every named tool of the collection (no separators, no built-ins)
    std::vector<BarBand> bands;

    const BarBand* band(const QString& name) const;
    // The frame's menu bar and its toolbars, in stored order.
    std::vector<const BarBand*> shownBands() const;
    // Popups opened from shown bands, directly or through other popups, in first-reached order.
    std::vector<const BarBand*> reachablePopups() const;
};

// Reads the layout document; returns false with `error` set on a document it cannot read.
bool readBarLayout(const QByteArray& document, BarLayout& out, QString& error);

// The stored layout built into this program.
bool storedBarLayout(BarLayout& out, QString& error);

} // namespace checkall
