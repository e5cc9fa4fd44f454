#pragma once
// Reads and writes the presentation layout documents. Stored form: UTF-16LE with a
// byte-order mark, one element per line, one blank per nesting level, every line ended
// by a single LF. Reading also takes UTF-16BE, and UTF-8 with or without its mark, and
// does not insist on the line layout; text content other than blanks is refused.
#include "layouterror.h"
#include "layoutnode.h"

#include <QByteArray>

namespace tav::gridlayout {

class LayoutDocument {
  public:
    // Parses one document; `documentName` ("styles", "columns", ...) names it in errors.
    // Raises LayoutError with the line and element of the first fault.
    static LayoutNode read(const QByteArray& bytes, const QString& documentName);
    // The stored form of a document.
    static QByteArray write(const LayoutNode& root);
    // The stored form as text (no mark, not yet encoded), for diagnostics and tests.
    static QString toText(const LayoutNode& root);
    // The document's text after its encoding was recognised.
    static QString decode(const QByteArray& bytes);
};

} // namespace tav::gridlayout
