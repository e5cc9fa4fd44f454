#pragma once
// One band of the layout: a menu bar, a child-window menu bar, a toolbar or a popup menu,
// with its entries in display order.
#include "tool.h"

#include <QString>

#include <vector>

namespace tav::toolbars {

// Stored kind codes of a band.
enum class BandKind : int { Toolbar = 0x00, MenuBar = 0x10, Popup = 0x20, ChildMenuBar = 0x40 };

// Where a toolbar docks; Status is the status band at the bottom of the frame.
enum class Dock { Top, Bottom, Left, Right, Status };

// A child band hosting one application window (carried, nothing is placed in it here).
struct ChildBand {
    QString name;
    QString caption;
    QString hosts;

    bool operator==(const ChildBand&) const = default;
};

struct Band {
    QString name;
    QString caption;
    BandKind kind = BandKind::Toolbar;
    Dock dock = Dock::Top;
    bool visible = true;
    std::vector<Tool> entries;
    std::vector<ChildBand> childBands;

    bool operator==(const Band&) const = default;
    bool isBar() const { return kind == BandKind::MenuBar || kind == BandKind::ChildMenuBar; }
};

} // namespace tav::toolbars
