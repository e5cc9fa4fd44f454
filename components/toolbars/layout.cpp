#include "layout.h"

#include <algorithm>
#include <deque>

namespace tav::toolbars {

int Layout::bandIndex(const QString& name) const {
    for (size_t i = 0; i < bands.size(); ++i)
        if (bands[i].name == name)
            return int(i);
    return -1;
}

const Band* Layout::band(const QString& name) const {
    const int i = bandIndex(name);
    return i < 0 ? nullptr : &bands[size_t(i)];
}

std::vector<const Tool*> Layout::toolsNamed(const QString& name) const {
    std::vector<const Tool*> out;
    for (const Tool& t : tools)
        if (t.name == name)
            out.push_back(&t);
    return out;
}

QStringList Layout::categories() const {
    QStringList out;
    for (const Tool& t : tools)
        if (!t.category.isEmpty() && !out.contains(t.category))
            out.append(t.category);
    return out;
}

std::optional<int> Layout::imageSize(int imageId) const {
    for (const ImageSet& s : imageSets)
        if (std::find(s.imageIds.begin(), s.imageIds.end(), imageId) != s.imageIds.end())
            return s.size;
    return std::nullopt;
}

std::vector<std::pair<QString, QString>> Layout::links() const {
    std::vector<std::pair<QString, QString>> out;
    for (const Band& b : bands)
        for (const Tool& e : b.entries) {
            if (e.subBand.isEmpty() || !band(e.subBand))
                continue;
            std::pair<QString, QString> link{b.name, e.subBand};
            if (std::find(out.begin(), out.end(), link) == out.end())
                out.push_back(link);
        }
    return out;
}

std::vector<bool> Layout::reachable(const std::vector<bool>& shown) const {
    std::vector<bool> live(bands.size(), false);
    std::deque<size_t> todo;
    for (size_t i = 0; i < bands.size() && i < shown.size(); ++i)
        if (shown[i]) {
            live[i] = true;
            todo.push_back(i);
        }
    while (!todo.empty()) {
        const Band& b = bands[todo.front()];
        todo.pop_front();
        for (const Tool& e : b.entries) {
            const int p = e.subBand.isEmpty() ? -1 : bandIndex(e.subBand);
            if (p >= 0 && !live[size_t(p)]) {
                live[size_t(p)] = true;
                todo.push_back(size_t(p));
            }
        }
    }
    return live;
}

} // namespace tav::toolbars
