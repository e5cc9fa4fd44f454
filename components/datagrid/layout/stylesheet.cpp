#include "stylesheet.h"

#include <QSet>

namespace tav::gridlayout {

namespace {

const QString StyleData = QStringLiteral("StyleData");
const QString FontElement = QStringLiteral("Font");
const QString PropElement = QStringLiteral("Prop");

QList<StyleProp> readProps(const LayoutNode& node, const QString& document, const QString& prefix) {
    QList<StyleProp> props;
    QSet<QString> seen;
    for (const LayoutNode& p : node.children) {
        if (p.name != PropElement)
            throw LayoutError(document, p.line, p.name,
                              QStringLiteral("unexpected element inside <%1>").arg(node.name));
        if (!p.hasAttribute(QStringLiteral("name")) || !p.hasAttribute(QStringLiteral("value")))
            throw LayoutError(document, p.line, p.name,
                              QStringLiteral("a property needs a name and a value"));
        StyleProp prop{p.attribute(QStringLiteral("name")), p.attribute(QStringLiteral("value")),
                       p.line};
        if (seen.contains(prop.name))
            throw LayoutError(document, p.line, p.name,
                              QStringLiteral("property '%1' set twice").arg(prop.name));
        seen.insert(prop.name);
        const QString key = prefix + prop.name;
        bool ok = true;
        if (StyleSheet::isNumericProp(key))
            prop.value.toInt(&ok);
        else if (key == FontPrefix + QStringLiteral("Size")) {
            const QStringList parts = prop.value.split(u';');
            ok = parts.size() == 2;
            for (const QString& part : parts) {
                bool partOk = false;
                part.toLongLong(&partOk);
                ok = ok && partOk;
            }
        }
        if (!ok)
            throw LayoutError(document, p.line, p.name,
                              QStringLiteral("property '%1' has the malformed value '%2'")
                                  .arg(prop.name, prop.value));
        props.append(prop);
    }
    return props;
}

void appendProps(LayoutNode& node, const QList<StyleProp>& props) {
    for (const StyleProp& p : props)
        node.append(LayoutNode::prop(p.name, p.value));
}

} // namespace

QString Style::basedOn() const {
    return own(BasedOnProp).value_or(QString());
}

std::optional<QString> Style::own(const QString& propName) const {
    if (propName.startsWith(FontPrefix)) {
        const QString n = propName.mid(FontPrefix.size());
        for (const StyleProp& p : font)
            if (p.name == n)
                return p.value;
        return std::nullopt;
    }
    for (const StyleProp& p : props)
        if (p.name == propName)
            return p.value;
    return std::nullopt;
}

Style Style::fromNode(const LayoutNode& node, const QString& document) {
    if (!node.hasAttribute(QStringLiteral("name")))
        throw LayoutError(document, node.line, node.name, QStringLiteral("a style needs a name"));
    Style s;
    s.name = node.attribute(QStringLiteral("name"));
    s.element = node.name;
    s.line = node.line;
    bool haveData = false;
    for (const LayoutNode& child : node.children) {
        if (child.name == StyleData && !haveData) {
            s.props = readProps(child, document, {});
            haveData = true;
        } else if (child.name == FontElement && !s.hasFont) {
            s.font = readProps(child, document, FontPrefix);
            s.hasFont = true;
        } else {
            throw LayoutError(document, child.line, child.name,
                              QStringLiteral("unexpected element in style '%1'").arg(s.name));
        }
    }
    if (!haveData)
        throw LayoutError(document, node.line, node.name,
                          QStringLiteral("style '%1' has no StyleData").arg(s.name));
    return s;
}

void Style::appendTo(LayoutNode& node) const {
    appendProps(node.append(LayoutNode(StyleData)), props);
    if (hasFont)
        appendProps(node.append(LayoutNode(FontElement)), font);
}

int ResolvedStyle::integer(const QString& prop, int fallback) const {
    bool ok = false;
    const int v = value(prop).toInt(&ok);
    return ok ? v : fallback;
}

bool StyleSheet::isNumericProp(const QString& name) {
    static const QSet<QString> numeric{
        QStringLiteral("ForeColor"),       QStringLiteral("BackColor"),
        QStringLiteral("BackColor2"),      QStringLiteral("HighlightColor"),
        QStringLiteral("ShadowColor"),     QStringLiteral("GridLineColor"),
        QStringLiteral("EvenColor"),       QStringLiteral("OddColor"),
        QStringLiteral("CellBorderColor"), QStringLiteral("BkgStyle"),
        QStringLiteral("TextAlignment"),   QStringLiteral("WordWrap"),
        QStringLiteral("Ellipsis"),        QStringLiteral("LineStyle"),
        QStringLiteral("EvenOddStyle"),    QStringLiteral("CellPadding"),
        QStringLiteral("CellBorderSize"),  QStringLiteral("CellBorderStyle"),
        QStringLiteral("CellBorder"),      QStringLiteral("DisplayType"),
        QStringLiteral("TabKeyBehavior"),  QStringLiteral("EnterKeyBehavior"),
        QStringLiteral("Appearance"),      QStringLiteral("Radix"),
        QStringLiteral("PictAlignment"),   QStringLiteral("CustomDrawStage"),
        QStringLiteral("AlphaBorder"),     QStringLiteral("AlphaBkg"),
        QStringLiteral("AlphaBkgPicture"), QStringLiteral("AlphaContent"),
        QStringLiteral("MousePointer"),    QStringLiteral("BkgPictAlignment"),
        QStringLiteral("Font.Bold"),       QStringLiteral("Font.Italic"),
        QStringLiteral("Font.Underline"),  QStringLiteral("Font.Strikethrough"),
        QStringLiteral("Font.Weight"),     QStringLiteral("Font.Charset")};
    return numeric.contains(name);
}

StyleSheet StyleSheet::fromDocument(const LayoutNode& root, const QString& document) {
    if (root.name != QStringLiteral("Styles"))
        throw LayoutError(document, root.line, root.name,
                          QStringLiteral("the root element must be <Styles>"));
    StyleSheet sheet;
    for (const LayoutNode& node : root.children) {
        if (node.name != QStringLiteral("Style"))
            throw LayoutError(document, node.line, node.name,
                              QStringLiteral("unexpected element inside <Styles>"));
        Style s = Style::fromNode(node, document);
        if (sheet.find(s.name))
            throw LayoutError(document, node.line, node.name,
                              QStringLiteral("style '%1' defined twice").arg(s.name));
        sheet.m_styles.append(std::move(s));
    }
    if (!sheet.find(RootStyleName))
        throw LayoutError(document, root.line, root.name,
                          QStringLiteral("no '%1' style").arg(RootStyleName));
    for (const Style& s : sheet.m_styles)
        sheet.checkChain(s, document);
    return sheet;
}

LayoutNode StyleSheet::toDocument() const {
    LayoutNode root(QStringLiteral("Styles"));
    for (const Style& s : m_styles) {
        LayoutNode& node = root.append(LayoutNode(QStringLiteral("Style")));
        node.setAttribute(QStringLiteral("name"), s.name);
        s.appendTo(node);
    }
    return root;
}

const Style* StyleSheet::find(const QString& name) const {
    for (const Style& s : m_styles)
        if (s.name == name)
            return &s;
    return nullptr;
}

void StyleSheet::checkChain(const Style& style, const QString& document) const {
    QStringList chain{style.name};
    const Style* current = &style;
    while (!current->basedOn().isEmpty()) {
        const QString base = current->basedOn();
        const Style* next = find(base);
        if (!next)
            throw LayoutError(document, current->line, current->element,
                              QStringLiteral("style '%1' is based on the unknown style '%2'")
                                  .arg(current->name, base));
        if (chain.contains(base))
            throw LayoutError(document, style.line, style.element,
                              QStringLiteral("BasedOn cycle: %1 -> %2")
                                  .arg(chain.join(QStringLiteral(" -> ")), base));
        chain.append(base);
        current = next;
    }
}

ResolvedStyle StyleSheet::resolve(const QString& name) const {
    const Style* s = find(name);
    if (!s)
        throw LayoutError(QStringLiteral("styles"), 0, {},
                          QStringLiteral("unknown style '%1'").arg(name));
    return resolve(*s);
}

ResolvedStyle StyleSheet::resolve(const Style& style) const {
    checkChain(style, QStringLiteral("styles"));
    ResolvedStyle out;
    out.name = style.name;
    // Walk from the style to the root; the first style on the way that sets a
    // property gives its value.
    for (const Style* s = &style; s; s = s->basedOn().isEmpty() ? nullptr : find(s->basedOn())) {
        const bool self = s == &style;
        for (const StyleProp& p : s->props)
            if (p.name != BasedOnProp && !out.props.contains(p.name))
                out.props.insert(p.name, {p.value, s->name, self});
        for (const StyleProp& p : s->font)
            if (!out.props.contains(FontPrefix + p.name))
                out.props.insert(FontPrefix + p.name, {p.value, s->name, self});
    }
    return out;
}

} // namespace tav::gridlayout
