#pragma once
// Text made safe for HTML and XML: the one escaper of the report pages and the stored
// documents.
#include <QString>

namespace tav {

// `text` for element content and for attribute values in either quote: & < > " ' and the
// line breaks and tab as references; other control characters, which XML 1.0 cannot carry,
// as U+FFFD.
QString escapeMarkup(const QString& text);

} // namespace tav
