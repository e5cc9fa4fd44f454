#include "layoutpack.h"

#include "layoutloader.h"

#include <QHash>
#include <QtEndian>

#include <cstring>

namespace tav::toolbars {

namespace {

// Appends numbers, table indexes and texts to the packed bytes.
class Writer {
  public:
    void u32(uint32_t v) {
        const uint32_t le = qToLittleEndian(v);
        m_body.append(reinterpret_cast<const char*>(&le), sizeof le);
    }
    void i32(int v) { u32(uint32_t(v)); }
    void text(const QString& s) {
        auto it = m_index.constFind(s);
        if (it == m_index.constEnd()) {
            it = m_index.insert(s, uint32_t(m_table.size()));
            m_table.append(s);
        }
        u32(*it);
    }
    void tool(const Tool& t) {
        for (const QString* s : {&t.name, &t.caption, &t.tooltip, &t.description, &t.category,
                                 &t.subBand, &t.text, &t.band})
            text(*s);
        u32(t.id);
        i32(int(t.kind));
        i32(t.image);
        i32(t.width);
        i32(t.shortcut.isEmpty() ? 0 : t.shortcut[0].toCombined());
        i32(int(t.builtIn));
        u32(uint32_t(t.items.size()));
        for (const QString& item : t.items)
            text(item);
    }
    // The signature, the text table, then the body written so far.
    QByteArray finish() const {
        QByteArray out(LayoutPack::Signature.data(), LayoutPack::Signature.size());
        Writer head;
        head.u32(uint32_t(m_table.size()));
        for (const QString& s : m_table) {
            head.u32(uint32_t(s.size()));
            head.m_body.append(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
        }
        return out + head.m_body + m_body;
    }

  private:
    QByteArray m_body;
    QStringList m_table;
    QHash<QString, uint32_t> m_index;
};

// Reads the packed bytes back, checking every count, index and code against the data.
class Reader {
  public:
    Reader(QByteArrayView data, const QString& source)
        : m_data(data), m_pos(LayoutPack::Signature.size()), m_source(source) {}

    Layout read() {
        readTable();
        Layout layout;
        layout.imageSets.resize(count(12));
        for (ImageSet& set : layout.imageSets) {
            set.id = i32();
            set.size = i32();
            set.imageIds.resize(count(4));
            for (int& id : set.imageIds)
                id = i32();
        }
        layout.tools.resize(count(ToolBytes));
        for (Tool& t : layout.tools)
            tool(t);
        layout.bands.resize(count(28));
        for (Band& b : layout.bands)
            band(b);
        if (m_pos != m_data.size())
            fail(QStringLiteral("%1 bytes follow the last band").arg(m_data.size() - m_pos));
        return layout;
    }

  private:
    static constexpr size_t ToolBytes = 15 * 4; // eight texts, six numbers, the item count

    [[noreturn]] void fail(const QString& what) const {
        throw VbError(LayoutLoader::LoadError, QStringLiteral("ToolBars"),
                      QStringLiteral("Error loading from file %1: the compact layout is damaged "
                                     "at byte %2: %3")
                          .arg(m_source)
                          .arg(m_pos)
                          .arg(what));
    }
    uint32_t u32() {
        if (m_data.size() - m_pos < 4)
            fail(QStringLiteral("it ends early"));
        uint32_t v = 0;
        std::memcpy(&v, m_data.data() + m_pos, sizeof v);
        m_pos += 4;
        return qFromLittleEndian(v);
    }
    int i32() { return int(u32()); }
    // A count of things of at least `minBytes` each, never more than the bytes left hold.
    size_t count(qsizetype minBytes) {
        const uint32_t n = u32();
        if (n > uint64_t(m_data.size() - m_pos) / uint64_t(minBytes))
            fail(QStringLiteral("a count of %1 exceeds the data").arg(n));
        return n;
    }
    const QString& text() {
        const uint32_t i = u32();
        if (i >= uint32_t(m_table.size()))
            fail(QStringLiteral("text %1 is not in the table").arg(i));
        return m_table.at(i);
    }
    template <typename E> E code(std::initializer_list<int> allowed) {
        const int v = i32();
        for (int a : allowed)
            if (v == a)
                return E(v);
        fail(QStringLiteral("code %1 is unknown").arg(v));
    }
    void readTable() {
        m_table.resize(qsizetype(count(4)));
        for (QString& s : m_table) {
            const size_t chars = count(2);
            s = QString(reinterpret_cast<const QChar*>(m_data.data() + m_pos), qsizetype(chars));
            m_pos += qsizetype(chars) * 2;
        }
    }
    void tool(Tool& t) {
        for (QString* s : {&t.name, &t.caption, &t.tooltip, &t.description, &t.category, &t.subBand,
                           &t.text, &t.band})
            *s = text();
        t.id = u32();
        t.kind = code<ToolKind>({0, 1, 2, 3, 5, 6, 7, 8});
        t.image = i32();
        t.width = i32();
        if (const int key = i32())
            t.shortcut = QKeySequence(QKeyCombination::fromCombined(key));
        t.builtIn = code<BuiltIn>({0, 1, 2, 3});
        t.items.resize(qsizetype(count(4)));
        for (QString& item : t.items)
            item = text();
    }
    void band(Band& b) {
        b.name = text();
        b.caption = text();
        b.kind = code<BandKind>({0x00, 0x10, 0x20, 0x40});
        b.dock = code<Dock>({0, 1, 2, 3, 4});
        b.visible = code<int>({0, 1}) == 1;
        b.entries.resize(count(ToolBytes));
        for (Tool& t : b.entries)
            tool(t);
        b.childBands.resize(count(12));
        for (ChildBand& c : b.childBands) {
            c.name = text();
            c.caption = text();
            c.hosts = text();
        }
    }

    QByteArrayView m_data;
    qsizetype m_pos;
    QString m_source;
    QStringList m_table;
};

} // namespace

QByteArray LayoutPack::write(const Layout& layout) {
    Writer w;
    w.u32(uint32_t(layout.imageSets.size()));
    for (const ImageSet& set : layout.imageSets) {
        w.i32(set.id);
        w.i32(set.size);
        w.u32(uint32_t(set.imageIds.size()));
        for (int id : set.imageIds)
            w.i32(id);
    }
    w.u32(uint32_t(layout.tools.size()));
    for (const Tool& t : layout.tools)
        w.tool(t);
    w.u32(uint32_t(layout.bands.size()));
    for (const Band& b : layout.bands) {
        w.text(b.name);
        w.text(b.caption);
        w.i32(int(b.kind));
        w.i32(int(b.dock));
        w.i32(b.visible ? 1 : 0);
        w.u32(uint32_t(b.entries.size()));
        for (const Tool& t : b.entries)
            w.tool(t);
        w.u32(uint32_t(b.childBands.size()));
        for (const ChildBand& c : b.childBands) {
            w.text(c.name);
            w.text(c.caption);
            w.text(c.hosts);
        }
    }
    return w.finish();
}

Layout LayoutPack::read(QByteArrayView data, const QString& sourceName) {
    if (!isPack(data))
        throw VbError(LayoutLoader::LoadError, QStringLiteral("ToolBars"),
                      QStringLiteral("Error loading from file %1: no compact layout signature")
                          .arg(sourceName));
    return Reader(data, sourceName).read();
}

} // namespace tav::toolbars
