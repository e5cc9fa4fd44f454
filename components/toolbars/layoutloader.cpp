#include "layoutloader.h"

#include "layoutpack.h"
#include "vberror.h"
#include "xmlscanner.h"

#include <QFile>
#include <QHash>

#include <functional>

namespace tav::toolbars {

namespace {

struct KindName {
    const char* text;
    int code;
};

constexpr KindName toolKinds[] = {
    {"button", 0},    {"dropdown", 1}, {"combo", 2}, {"text", 3},
    {"separator", 5}, {"progress", 6}, {"host", 7},  {"windowlist", 8},
};
constexpr KindName bandKinds[] = {
    {"toolbar", 0x00},
    {"menubar", 0x10},
    {"popup", 0x20},
    {"childmenubar", 0x40},
};
constexpr KindName docks[] = {
    {"top", int(Dock::Top)},     {"bottom", int(Dock::Bottom)}, {"left", int(Dock::Left)},
    {"right", int(Dock::Right)}, {"status", int(Dock::Status)},
};
constexpr KindName builtIns[] = {
    {"customize", int(BuiltIn::Customize)},
    {"bandtoggle", int(BuiltIn::BandToggle)},
    {"separator", int(BuiltIn::Separator)},
};

// An entry as read, resolved against the collection once the whole layout is in.
struct PendingEntry {
    size_t band;
    qint64 line;
    XmlScanner::Attributes attrs;
};

class Reader {
  public:
    Reader(const QByteArray& xml, const QString& source) : m_xml(xml), m_source(source) {}

    Layout read() {
        if (!m_xml.readNextStartElement())
            fail(QStringLiteral("no layout element"));
        if (m_xml.name() != u"layout")
            fail(QStringLiteral("the root element is <%1>, not <layout>").arg(m_xml.name()));
        const QString version = m_xml.attributes().value(QLatin1String("version")).toString();
        if (version != u"1")
            fail(QStringLiteral("unsupported layout version \"%1\"").arg(version));
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"images")
                children(u"imageset", [this] { readImageSet(); });
            else if (m_xml.name() == u"bands")
                children(u"band", [this] { readBand(); });
            else if (m_xml.name() == u"tools")
                children(u"tool", [this] { readTool(); });
            else
                unexpected();
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        resolveEntries();
        return std::move(m_layout);
    }

  private:
    [[noreturn]] void fail(const QString& what, qint64 line = -1) const {
        throw VbError(LayoutLoader::LoadError, QStringLiteral("ToolBars"),
                      QStringLiteral("Error loading from file %1, line %2: %3")
                          .arg(m_source)
                          .arg(line < 0 ? m_xml.lineNumber() : line)
                          .arg(what));
    }
    [[noreturn]] void unexpected() const {
        fail(QStringLiteral("unexpected element <%1>").arg(m_xml.name()));
    }

    void children(QStringView expected, const std::function<void()>& each) {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != expected)
                unexpected();
            each();
        }
    }

    QString required(const XmlScanner::Attributes& a, QLatin1String name) const {
        if (!a.hasAttribute(name))
            fail(QStringLiteral("<%1> has no %2").arg(m_xml.name(), name));
        return a.value(name).toString();
    }

    long long number(const QString& text, QStringView what, qint64 line = -1) const {
        bool ok = false;
        const long long v =
            text.startsWith(u"0x") ? text.mid(2).toLongLong(&ok, 16) : text.toLongLong(&ok);
        if (!ok)
            fail(QStringLiteral("%1 \"%2\" is not a number").arg(what, text), line);
        return v;
    }

    template <size_t N>
    int code(const KindName (&table)[N], const QString& text, QStringView what,
             qint64 line = -1) const {
        for (const KindName& k : table)
            if (text == QLatin1String(k.text))
                return k.code;
        fail(QStringLiteral("unknown %1 \"%2\"").arg(what, text), line);
    }

    void readImageSet() {
        const XmlScanner::Attributes a = m_xml.attributes();
        ImageSet set;
        set.id = int(number(required(a, QLatin1String("id")), u"image set"));
        set.size = int(number(required(a, QLatin1String("size")), u"picture size"));
        if (set.size <= 0 || set.size > 256)
            fail(QStringLiteral("picture size %1 is out of range").arg(set.size));
        const QString ids = a.value(QLatin1String("ids")).toString();
        for (const QString& id : ids.split(u',', Qt::SkipEmptyParts))
            set.imageIds.push_back(int(number(id.trimmed(), u"image identifier")));
        m_layout.imageSets.push_back(std::move(set));
        m_xml.skipCurrentElement();
    }

    void readBand() {
        const XmlScanner::Attributes a = m_xml.attributes();
        Band band;
        band.name = required(a, QLatin1String("name"));
        if (band.name.isEmpty() || m_bandNames.contains(band.name))
            fail(QStringLiteral("band name \"%1\" is empty or repeated").arg(band.name));
        m_bandNames.insert(band.name, int(m_layout.bands.size()));
        band.caption = a.value(QLatin1String("caption")).toString();
        band.kind = BandKind(code(bandKinds, required(a, QLatin1String("kind")), u"band kind"));
        if (a.hasAttribute(QLatin1String("dock")))
            band.dock =
                Dock(code(docks, a.value(QLatin1String("dock")).toString(), u"dock position"));
        band.visible = a.value(QLatin1String("visible")) != u"false";
        const size_t index = m_layout.bands.size();
        m_layout.bands.push_back(std::move(band));
        while (m_xml.readNextStartElement()) {
            const XmlScanner::Attributes ea = m_xml.attributes();
            if (m_xml.name() == u"entry") {
                required(ea, QLatin1String("name"));
                required(ea, QLatin1String("id"));
                if (m_byName.isEmpty()) // the collection comes later: resolve at the end
                    m_entries.push_back({index, m_xml.lineNumber(), ea});
                else
                    resolveEntry(index, m_xml.lineNumber(), ea);
            } else if (m_xml.name() == u"childband") {
                m_layout.bands[index].childBands.push_back(
                    {required(ea, QLatin1String("name")),
                     ea.value(QLatin1String("caption")).toString(),
                     ea.value(QLatin1String("hosts")).toString()});
            } else {
                unexpected();
            }
            m_xml.skipCurrentElement();
        }
    }

    // Applies the attributes present on a tool or entry element onto `t`.
    void applyAttributes(Tool& t, const XmlScanner::Attributes& attrs, qint64 line) const {
        for (const XmlScanner::Attribute& at : attrs) {
            const QByteArrayView n = at.name;
            const QString& v = at.value;
            if (n == "name")
                t.name = v;
            else if (n == "id")
                t.id = uint32_t(number(v, u"identifier", line));
            else if (n == "kind")
                t.kind = ToolKind(code(toolKinds, v, u"tool kind", line));
            else if (n == "caption")
                t.caption = v;
            else if (n == "tooltip")
                t.tooltip = v;
            else if (n == "description")
                t.description = v;
            else if (n == "category")
                t.category = v;
            else if (n == "subband")
                t.subBand = v;
            else if (n == "text")
                t.text = v;
            else if (n == "image")
                t.image = int(number(v, u"image", line));
            else if (n == "width")
                t.width = int(number(v, u"width", line));
            else if (n == "band")
                t.band = v;
            else if (n == "builtin")
                t.builtIn = BuiltIn(code(builtIns, v, u"built-in tool", line));
            else if (n == "shortcut") {
                t.shortcut = QKeySequence::fromString(v, QKeySequence::PortableText);
                if (!v.isEmpty() && (t.shortcut.isEmpty() || t.shortcut.count() != 1))
                    fail(QStringLiteral("shortcut \"%1\" is not one key").arg(v), line);
            } else
                fail(QStringLiteral("unknown attribute %1").arg(QString::fromUtf8(n)), line);
        }
    }

    void readTool() {
        Tool t;
        applyAttributes(t, m_xml.attributes(), m_xml.lineNumber());
        if (!m_xml.attributes().hasAttribute(QLatin1String("id")))
            fail(QStringLiteral("<tool> has no id"));
        if (t.builtIn == BuiltIn::None && t.name.isEmpty())
            fail(QStringLiteral("<tool> has no name"));
        if (t.builtIn == BuiltIn::BandToggle && t.band.isEmpty())
            fail(QStringLiteral("the band tool names no band"));
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"item")
                unexpected();
            if (t.kind != ToolKind::Combo)
                fail(
                    QStringLiteral("tool \"%1\" has list entries but is no combo box").arg(t.name));
            t.items.append(required(m_xml.attributes(), QLatin1String("text")));
            m_xml.skipCurrentElement();
        }
        if (!t.name.isEmpty())
            m_byName[t.name].push_back(m_layout.tools.size());
        m_layout.tools.push_back(std::move(t));
    }

    // Finds an entry's definition: by name and identifier, else the first by name.
    void resolveEntry(size_t band, qint64 line, const XmlScanner::Attributes& attrs) {
        const QString name = attrs.value(QLatin1String("name")).toString();
        const uint32_t id =
            uint32_t(number(attrs.value(QLatin1String("id")).toString(), u"identifier", line));
        const auto it = m_byName.constFind(name);
        if (it == m_byName.constEnd())
            fail(QStringLiteral("entry \"%1\" on band %2 names no tool of the collection")
                     .arg(name, m_layout.bands[band].name),
                 line);
        const Tool* def = &m_layout.tools[it->front()];
        for (size_t i : *it)
            if (m_layout.tools[i].id == id) {
                def = &m_layout.tools[i];
                break;
            }
        Tool entry = *def;
        applyAttributes(entry, attrs, line);
        m_layout.bands[band].entries.push_back(std::move(entry));
    }

    void resolveEntries() {
        for (const PendingEntry& p : m_entries)
            resolveEntry(p.band, p.line, p.attrs);
    }

    XmlScanner m_xml;
    QString m_source;
    Layout m_layout;
    QHash<QString, int> m_bandNames;
    QHash<QString, std::vector<size_t>> m_byName; // collection definitions by name
    std::vector<PendingEntry> m_entries;
};

} // namespace

Layout LayoutLoader::fromXml(const QByteArray& xml, const QString& sourceName) {
    return Reader(xml, sourceName).read();
}

Layout LayoutLoader::fromFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw VbError(LoadError, QStringLiteral("ToolBars"),
                      QStringLiteral("Error loading from file %1: %2").arg(path, f.errorString()));
    const QByteArray data = f.readAll();
    if (LayoutPack::isPack(data))
        return LayoutPack::read(data, path);
    return fromXml(data, path);
}

} // namespace tav::toolbars
