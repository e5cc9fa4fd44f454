#pragma once
// The menu and toolbar layout as data: bands in stored order, the tool collection and
// the picture sets. No widgets; the ToolBars component builds them from this.
#include "band.h"

#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace tav::toolbars {

// A set of equal-sized pictures and the identifiers that tools use for them.
struct ImageSet {
    int id = 0;
    int size = 16; // pixels, square
    std::vector<int> imageIds;

    bool operator==(const ImageSet&) const = default;
};

class Layout {
  public:
    std::vector<Band> bands;
    std::vector<Tool> tools; // the collection, built-in tools included
    std::vector<ImageSet> imageSets;

    bool operator==(const Layout&) const = default;

    // Index of the band with this name, or -1.
    int bandIndex(const QString& name) const;
    const Band* band(const QString& name) const;

    // Every definition in the collection with this name (names repeat).
    std::vector<const Tool*> toolsNamed(const QString& name) const;

    // The named categories of the collection, in first-seen order.
    QStringList categories() const;

    // Picture size of an image identifier, or nullopt when no set holds it.
    std::optional<int> imageSize(int imageId) const;

    // (band, popup) for every entry that opens a popup band of the layout, without
    // repeats, in stored order.
    std::vector<std::pair<QString, QString>> links() const;

    // Which bands are on screen or one menu step away: every band flagged in `shown`,
    // and every popup opened, directly or through other popups, from such a band.
    std::vector<bool> reachable(const std::vector<bool>& shown) const;
};

} // namespace tav::toolbars
