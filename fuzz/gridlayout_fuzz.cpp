// The grid's presentation layout documents. The first byte picks the document kind
// (styles, columns, value items, or the bare document reader); the rest is the document.
// A refused document is a LayoutError; what is read writes back to the same content, and
// a style sheet resolves every style it holds.
#include "fuzzsupport.h"
#include "gridlayout.h"
#include "layoutdocument.h"

using namespace tav::gridlayout;

namespace {

// A sheet for checking column styles against: Normal and Heading.
const char kSheet[] = "<Styles>"
                      "<Style name=\"Normal\"><StyleData><Prop name=\"BasedOn\" value=\"\"/>"
                      "<Prop name=\"BackColor\" value=\"255\"/></StyleData>"
                      "<Font><Prop name=\"Name\" value=\"Sans\"/></Font></Style>"
                      "<Style name=\"Heading\"><StyleData><Prop name=\"BasedOn\" value=\"Normal\"/>"
                      "</StyleData></Style>"
                      "</Styles>";

const StyleSheet& fixedSheet() {
    static const StyleSheet sheet =
        StyleSheet::fromDocument(LayoutDocument::read(QByteArray(kSheet), "styles"));
    return sheet;
}

// Writing a document and reading it again gives the same content.
LayoutNode roundTrip(const LayoutNode& node, const char* what) {
    const QByteArray stored = LayoutDocument::write(node);
    LayoutNode again;
    try {
        again = LayoutDocument::read(stored, QStringLiteral("again"));
    } catch (const LayoutError& e) {
        tav::fuzz::fail(what, QStringLiteral("written form refused: %1\n%2")
                                  .arg(e.text(), LayoutDocument::toText(node)));
    }
    if (!(again == node))
        tav::fuzz::fail(what,
                        QStringLiteral("written:\n%1read back:\n%2")
                            .arg(LayoutDocument::toText(node), LayoutDocument::toText(again)));
    return again;
}

// Reads a written document with `read`; a refusal of what was accepted once is a fault.
template <class Read> auto reread(const LayoutNode& doc, const char* what, Read read) {
    const LayoutNode again = roundTrip(doc, what);
    try {
        return read(again);
    } catch (const LayoutError& e) {
        tav::fuzz::fail(what, QStringLiteral("refused when read again: %1").arg(e.text()));
    }
}

void styles(const LayoutNode& root) {
    const StyleSheet sheet = StyleSheet::fromDocument(root);
    for (const Style& s : sheet.styles()) {
        const ResolvedStyle r = sheet.resolve(s.name);
        if (r.name != s.name)
            tav::fuzz::fail("resolved under another name", s.name);
    }
    const LayoutNode doc = sheet.toDocument();
    const StyleSheet again = reread(doc, "styles do not write back", [](const LayoutNode& n) {
        return StyleSheet::fromDocument(n);
    });
    if (!(again.toDocument() == doc))
        tav::fuzz::fail("styles read back differently");
}

void columns(const LayoutNode& root) {
    const ColumnSet set = ColumnSet::fromDocument(root);
    try {
        set.checkStyles(fixedSheet());
        for (const ColumnSpec& c : set.columns())
            if (c.style)
                (void)fixedSheet().resolve(*c.style);
    } catch (const LayoutError&) {
    }
    for (const ColumnSpec& c : set.columns())
        if (set.find(c.key) == nullptr)
            tav::fuzz::fail("a column is not found by its key", c.key);
    const LayoutNode doc = set.toDocument();
    const ColumnSet again = reread(doc, "columns do not write back",
                                   [](const LayoutNode& n) { return ColumnSet::fromDocument(n); });
    if (!(again.toDocument() == doc))
        tav::fuzz::fail("columns read back differently");
}

void valueItems(const LayoutNode& root) {
    const ValueItemsCollection items = ValueItemsCollection::fromDocument(root);
    for (const ValueItemList& list : items.lists()) {
        (void)list.translate();
        (void)list.defaultIndex();
        for (const ValueItem& item : list.items) {
            (void)item.order();
            (void)item.pictureIndex();
            if (list.itemFor(item.value()) == nullptr)
                tav::fuzz::fail("an item is not found by its own value", item.value());
        }
        (void)list.itemFor(QStringLiteral("no such value"));
    }
    const LayoutNode doc = items.toDocument();
    const ValueItemsCollection again =
        reread(doc, "value items do not write back",
               [](const LayoutNode& n) { return ValueItemsCollection::fromDocument(n); });
    if (!(again.toDocument() == doc))
        tav::fuzz::fail("value items read back differently");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tav::fuzz::initialize(argc, argv);
    (void)fixedSheet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int kind = data[0] % 4;
    const QByteArray document = tav::fuzz::bytes(data + 1, size - 1);
    LayoutNode root;
    try {
        root = LayoutDocument::read(document, QStringLiteral("fuzz"));
    } catch (const LayoutError&) {
        return 0;
    }
    roundTrip(root, "a document does not write back");
    try {
        switch (kind) {
        case 0:
            styles(root);
            break;
        case 1:
            columns(root);
            break;
        case 2:
            valueItems(root);
            break;
        default:
            break;
        }
    } catch (const LayoutError& e) {
        if (e.text().isEmpty())
            tav::fuzz::fail("a refusal without text");
    }
    return 0;
}
