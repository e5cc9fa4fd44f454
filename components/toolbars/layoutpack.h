#pragma once
// The compact form of a stored layout: the same Layout the XML loader gives, written once
// at build time from the readable file (which stays the one source) so that a start reads
// it without parsing. Every text is stored once in a table and shared by the tools and
// entries that use it. Little-endian, versioned; LayoutLoader::fromFile tells it from XML
// by its leading signature. Damaged data is refused with the loader's VbError.
#include "layout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tav::toolbars {

class LayoutPack {
  public:
    // The first bytes of every compact layout; no XML document starts with them.
    static constexpr QByteArrayView Signature{"TAVLAYOUT\x01", 10};

    static QByteArray write(const Layout& layout);
    static bool isPack(QByteArrayView data) { return data.startsWith(Signature); }
    // Reads what write() gave; anything else raises LayoutLoader::LoadError naming `sourceName`.
    static Layout read(QByteArrayView data, const QString& sourceName);
};

} // namespace tav::toolbars
