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

namespace {

struct Tools {
    QHash<QString, ToolDef> byNameAndId, byName;
};

void readTool(const QXmlStreamAttributes& a, BarLayout& out, Tools& tools) {
    ToolDef t{a.value(QLatin1String("name")).toString(), a.value(QLatin1String("kind")).toString(),
              a.value(QLatin1String("caption")).toString(),
              a.value(QLatin1String("subband")).toString()};
    if (!a.hasAttribute(QLatin1String("builtin")) && t.kind != QLatin1String("separator") &&
        !t.name.isEmpty())
        out.namedTools << t.name;
    tools.byNameAndId.insert(t.name + u'#' + a.value(QLatin1String("id")).toString(), t);
    if (!tools.byName.contains(t.name))
        tools.byName.insert(t.name, t);
}

// What a tester does with an entry of a tool of `kind`.
void setUse(BarEntry& e, const QString& kind, const QString& subband) {
    // The component builds only popups it carries; a sub-band it lacks leaves a plain tool.
    if (kind == QLatin1String("combo"))
        e.use = Use::Pick;
    else if (kind == QLatin1String("text"))
        e.use = Use::Enter;
    else if (kind == QLatin1String("dropdown"))
        e.dropDown = true;
    else if (kind == QLatin1String("button"))
        e.use = Use::Click;
    else
        e.use = Use::Silent;
    if (kind == QLatin1String("button") || e.dropDown)
        e.opens = subband;
}

bool readEntry(const QXmlStreamAttributes& a, BarBand& band, const Tools& tools, QString& error) {
    const QString name = a.value(QLatin1String("name")).toString();
    const ToolDef def = tools.byNameAndId.value(
        name + u'#' + a.value(QLatin1String("id")).toString(), tools.byName.value(name));
    if (def.kind.isEmpty()) {
        error = QStringLiteral("entry %1 of band %2 names no tool").arg(name, band.name);
        return false;
    }
    if (def.kind == QLatin1String("separator"))
        return true;
    BarEntry e;
    e.name = name;
    const auto own = [&](const char* attribute, const QString& inherited) {
        return a.hasAttribute(QLatin1String(attribute))
                   ? a.value(QLatin1String(attribute)).toString()
                   : inherited;
    };
    e.label = withoutMarkers(own("caption", def.caption), name);
    setUse(e, def.kind, own("subband", def.subband));
    band.entries.push_back(e);
    return true;
}

// A sub-band that is a popup of the layout is opened by the entry; a plain button that
// opens one answers nothing (a drop-down tool still answers on its main part).
void settleOpeners(BarLayout& out) {
    for (BarBand& b : out.bands)
        for (BarEntry& e : b.entries) {
            const BarBand* p = e.opens.isEmpty() ? nullptr : out.band(e.opens);
            if (!p || p->kind != QLatin1String("popup"))
                e.opens.clear();
            else if (!e.dropDown)
                e.use = Use::Silent;
        }
}

} // namespace

bool readBarLayout(const QByteArray& document, BarLayout& out, QString& error) {
    out = BarLayout{};
    QXmlStreamReader xml(document);
    Tools tools;
    BarBand* current = nullptr;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("band"))
            current = nullptr;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("tool")) {
            readTool(a, out, tools);
        } else if (xml.name() == QLatin1String("band")) {
            BarBand b;
            b.name = a.value(QLatin1String("name")).toString();
            b.kind = a.value(QLatin1String("kind")).toString();
            b.dock = a.value(QLatin1String("dock")).toString();
            b.label = withoutMarkers(a.value(QLatin1String("caption")).toString(), b.name);
            out.bands.push_back(b);
            current = &out.bands.back();
        } else if (xml.name() == QLatin1String("entry") && current &&
                   !readEntry(a, *current, tools, error)) {
            return false;
        }
    }
    if (xml.hasError()) {
        error = QStringLiteral("the layout cannot be read: %1 (line %2)")
                    .arg(xml.errorString())
                    .arg(xml.lineNumber());
        return false;
    }
    settleOpeners(out);
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
