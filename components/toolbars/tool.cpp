#include "tool.h"

namespace tav::toolbars {

QString Tool::displayName() const {
    // "&&" stands for one '&'; a single '&' only marks the next letter.
    QString s;
    s.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        s.append(caption[i]);
    }
    return s.isEmpty() ? name : s;
}

} // namespace tav::toolbars
