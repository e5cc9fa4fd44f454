#pragma once
// The layout's keyboard shortcuts and the rule that turns one key press into exactly one
// tool click. Entries of one tool share its key; where different tools hold the same key
// (Ctrl+A on a drawing and a selection tool, Ctrl+N/Z/X/C/V between drawing and report
// tools), the entry that wins is the first, in stored band and entry order, on a band the
// tester can reach: a shown bar or toolbar, or a popup that such a band opens. When no
// holder is reachable, the first holder in stored order wins.
#include "layout.h"

#include <QKeySequence>
#include <QList>

#include <optional>
#include <vector>

namespace tav::toolbars {

class ShortcutMap {
  public:
    struct Place {
        int band = -1;
        int entry = -1;
        bool operator==(const Place&) const = default;
    };

    explicit ShortcutMap(const Layout& layout);

    // Every distinct key of the band entries, in stored order of first use.
    const QList<QKeySequence>& keys() const { return m_keys; }

    // Every band entry carrying the key, in stored order.
    std::vector<Place> holders(const QKeySequence& key) const;

    // The entry a press of `key` clicks, given which bands are reachable (indexed like
    // Layout::bands); nullopt when no entry carries the key.
    std::optional<Place> resolve(const QKeySequence& key, const std::vector<bool>& reachable) const;

  private:
    struct Holder {
        QKeySequence key;
        Place place;
    };
    std::vector<Holder> m_holders;
    QList<QKeySequence> m_keys;
};

} // namespace tav::toolbars
