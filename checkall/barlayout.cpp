#include "barlayout.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <set>

namespace checkall {

namespace {

QString withoutMarkers(const QString& caption, const QString& fallback) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        out += caption[i];
    }
    const qsizetype tab = out.indexOf(u'\t');
    if (tab >= 0)
        out.truncate(tab);
    return out.isEmpty() ? fallback : out;
}

struct ToolDef {
    QString name, kind, caption, subband;
};

} // namespace

const BarBand* BarLayout::band(const QString& name) const {
    for (const BarBand& b : bands)
        if (b.name == name)
            return &b;
    return nullptr;
}

std::vector<const BarBand*> BarLayout::shownBands() const {
    std::vector<const BarBand*> out;
    bool menuBar = false;
    for (const BarBand& b : bands) {
        if (b.kind == QLatin1String("menubar") && !menuBar) {
            menuBar = true;
            out.push_back(&b);
        } else if (b.kind == QLatin1String("toolbar")) {
            out.push_back(&b);
        }
    }
    return out;
}

std::vector<const BarBand*> BarLayout::reachablePopups() const {
    std::vector<const BarBand*> out;
    std::set<QString> seen;
    std::vector<const BarBand*> todo = shownBands();
    for (size_t i = 0; i < todo.size(); ++i)
        for (const BarEntry& e : todo[i]->entries) {
            const BarBand* p = e.opens.isEmpty() ? nullptr : band(e.opens);
            if (p && seen.insert(p->name).second) {
                out.push_back(p);
                todo.push_back(p);
            }
        }
    return out;
}

bool readBarLayout(const QByteArray& document, BarLayout& out, QString& error) {
    out = BarLayout{};
    QXmlStreamReader xml(document);
    QHash<QString, ToolDef> byNameAndId, byName;
    BarBand* current = nullptr;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("band"))
            current = nullptr;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("tool")) {
            ToolDef t{a.value(QLatin1String("name")).toString(),
                      a.value(QLatin1String("kind")).toString(),
                      a.value(QLatin1String("caption")).toString(),
                      a.value(QLatin1String("subband")).toString()};
            if (!a.hasAttribute(QLatin1String("builtin")) && t.kind != QLatin1String("separator") &&
                !t.name.isEmpty())
                out.namedTools << t.name;
            byNameAndId.insert(t.name + u'#' + a.value(QLatin1String("id")).toString(), t);
            if (!byName.contains(t.name))
                byName.insert(t.name, t);
        } else if (xml.name() == QLatin1String("band")) {
            BarBand b;
            b.name = a.value(QLatin1String("name")).toString();
            b.kind = a.value(QLatin1String("kind")).toString();
            b.dock = a.value(QLatin1String("dock")).toString();
            b.label = withoutMarkers(a.value(QLatin1String("caption")).toString(), b.name);
            out.bands.push_back(b);
            current = &out.bands.back();
        } else if (xml.name() == QLatin1String("entry") && current) {
            const QString name = a.value(QLatin1String("name")).toString();
            ToolDef def = byNameAndId.value(name + u'#' + a.value(QLatin1String("id")).toString(),
                                            byName.value(name));
            if (def.kind.isEmpty()) {
                error =
                    QStringLiteral("entry %1 of band %2 names no tool").arg(name, current->name);
                return false;
            }
            if (def.kind == QLatin1String("separator"))
                continue;
            BarEntry e;
            e.name = name;
            const QString caption = a.hasAttribute(QLatin1String("caption"))
                                        ? a.value(QLatin1String("caption")).toString()
                                        : def.caption;
            e.label = withoutMarkers(caption, name);
            const QString subband = a.hasAttribute(QLatin1String("subband"))
                                        ? a.value(QLatin1String("subband")).toString()
                                        : def.subband;
            // The component builds only popups it carries; a sub-band it lacks leaves a plain tool.
            if (def.kind == QLatin1String("combo"))
                e.use = Use::Pick;
            else if (def.kind == QLatin1String("text"))
                e.use = Use::Enter;
            else if (def.kind == QLatin1String("dropdown"))
                e.dropDown = true;
            else if (def.kind == QLatin1String("button"))
                e.use = Use::Click;
            else
                e.use = Use::Silent;
            if (def.kind == QLatin1String("button") || e.dropDown)
                e.opens = subband;
            current->entries.push_back(e);
        }
    }
    if (xml.hasError()) {
        error = QStringLiteral("the layout cannot be read: %1 (line %2)")
                    .arg(xml.errorString())
                    .arg(xml.lineNumber());
        return false;
    }
    // A sub-band that is a popup of the layout is opened by the entry; a plain button that
    // opens one answers nothing (a drop-down tool still answers on its main part).
    for (BarBand& b : out.bands)
        for (BarEntry& e : b.entries) {
            const BarBand* p = e.opens.isEmpty() ? nullptr : out.band(e.opens);
            if (!p || p->kind != QLatin1String("popup"))
                e.opens.clear();
            else if (!e.dropDown)
                e.use = Use::Silent;
        }
    return true;
}

bool storedBarLayout(BarLayout& out, QString& error) {
    QFile f(QStringLiteral(":/checkall/toolbars1.xml"));
    if (!f.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("the stored layout is missing from this program");
        return false;
    }
    return readBarLayout(f.readAll(), out, error);
}

} // namespace checkall
