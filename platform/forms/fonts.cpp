#include "fonts.h"

#include <QStringList>

namespace tav {

QString substituteSansFamily() {
    return QStringLiteral("Liberation Sans");
}

void installFontSubstitutions() {
    static const char* const faces[] = {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma",
                                        "Arial",         "MS Shell Dlg",         "MS Shell Dlg 2"};
    const QStringList fallbacks{substituteSansFamily(), QStringLiteral("DejaVu Sans")};
    for (const char* f : faces)
        QFont::insertSubstitutions(QString::fromLatin1(f), fallbacks);
}

QFont storedFont(const QString& face, double points, int weight, bool italic, bool underline) {
    QFont f(face);
    f.setPointSizeF(points);
    // Stored weights are 100..900 like the toolkit's; map by nearest named weight.
    f.setWeight(QFont::Weight(qBound(100, weight, 900)));
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

} // namespace tav
