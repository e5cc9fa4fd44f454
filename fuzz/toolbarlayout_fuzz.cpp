// The menu and toolbar layout: the XML scanner walks any bytes, and the loader reads
// them; a refused layout is a VbError with the loader's number. A loaded layout answers
// its queries (links, reachable bands, categories) without fault and reads back the same
// from its compact form; the compact reader, given the same bytes after its signature,
// refuses them with the loader's number or reads them.
#include "fuzzsupport.h"
#include "layoutloader.h"
#include "layoutpack.h"
#include "vberror.h"
#include "xmlscanner.h"

using namespace tav::toolbars;

namespace {

// Visits every element below the current one, as the loader does, with a depth bound
// far above any real layout.
void walk(XmlScanner& x, int depth) {
    while (x.readNextStartElement()) {
        for (const XmlScanner::Attribute& a : x.attributes())
            (void)x.attributes().value(QLatin1String(a.name.data(), a.name.size()));
        if (depth > 0)
            walk(x, depth - 1);
        else
            x.skipCurrentElement();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tav::fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray xml = tav::fuzz::bytes(data, size);
    {
        XmlScanner x{QByteArrayView(xml)};
        walk(x, 64);
        if (x.hasError() && x.errorString().isEmpty())
            tav::fuzz::fail("scanner error without a message");
        if (x.lineNumber() < 1 || x.lineNumber() > xml.count('\n') + 1)
            tav::fuzz::fail("scanner line outside the document", QString::number(x.lineNumber()));
    }
    try {
        const Layout layout = LayoutLoader::fromXml(xml, QStringLiteral("fuzz.xml"));
        (void)layout.links();
        (void)layout.reachable(std::vector<bool>(layout.bands.size(), true));
        (void)layout.reachable(std::vector<bool>(layout.bands.size() / 2, true));
        (void)layout.categories();
        for (const Band& b : layout.bands)
            (void)layout.bandIndex(b.name);
        if (LayoutPack::read(LayoutPack::write(layout), QStringLiteral("fuzz.layout")) != layout)
            tav::fuzz::fail("the compact form reads back another layout");
    } catch (const tav::VbError& e) {
        if (e.number() != LayoutLoader::LoadError)
            tav::fuzz::fail("refused with another number",
                            QString::number(e.number()) + u' ' + e.description());
    }
    try {
        (void)LayoutPack::read(LayoutPack::Signature.toByteArray() + xml,
                               QStringLiteral("fuzz.layout"));
    } catch (const tav::VbError& e) {
        if (e.number() != LayoutLoader::LoadError)
            tav::fuzz::fail("compact form refused with another number",
                            QString::number(e.number()) + u' ' + e.description());
    }
    return 0;
}
