#include "shortcutmap.h"

namespace tav::toolbars {

ShortcutMap::ShortcutMap(const Layout& layout) {
    for (size_t b = 0; b < layout.bands.size(); ++b) {
        const auto& entries = layout.bands[b].entries;
        for (size_t e = 0; e < entries.size(); ++e) {
            const QKeySequence& key = entries[e].shortcut;
            if (key.isEmpty())
                continue;
            m_holders.push_back({key, {int(b), int(e)}});
            if (!m_keys.contains(key))
                m_keys.append(key);
        }
    }
}

std::vector<ShortcutMap::Place> ShortcutMap::holders(const QKeySequence& key) const {
    std::vector<Place> out;
    for (const Holder& h : m_holders)
        if (h.key == key)
            out.push_back(h.place);
    return out;
}

std::optional<ShortcutMap::Place> ShortcutMap::resolve(const QKeySequence& key,
                                                       const std::vector<bool>& reachable) const {
    std::optional<Place> first;
    for (const Holder& h : m_holders) {
        if (h.key != key)
            continue;
        if (size_t(h.place.band) < reachable.size() && reachable[size_t(h.place.band)])
            return h.place;
        if (!first)
            first = h.place;
    }
    return first;
}

} // namespace tav::toolbars
