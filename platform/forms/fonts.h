#pragma once
// The faces the stored layouts name ("MS Sans Serif", "Tahoma", "Arial") do not exist
// here; each maps to one installed sans-serif family through font substitution.
#include <QFont>
#include <QString>

namespace tav {

// The installed family the stored faces map to.
QString substituteSansFamily();

// Registers the substitutions; Application does this at start-up.
void installFontSubstitutions();

// A font as stored in a layout: face, size in points, weight 100..900 (400 normal, 700 bold).
QFont storedFont(const QString& face, double points, int weight = 400, bool italic = false,
                 bool underline = false);

} // namespace tav
