#pragma once
// The named styles of a grid: each style sets some properties and takes every other one
// from the style it is based on, up to the root style (`Normal`, whose BasedOn is empty).
// Data and rules only: resolving a property says where its value came from; turning
// values into colours and fonts is the grid's business.
#include "layouterror.h"
#include "layoutnode.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace tav::gridlayout {

// Properties of a style's Font element are resolved under "Font.<name>" ("Font.Size").
inline const QString FontPrefix = QStringLiteral("Font.");
inline const QString BasedOnProp = QStringLiteral("BasedOn");
inline const QString RootStyleName = QStringLiteral("Normal");

struct StyleProp {
    QString name;
    QString value;
    int line = 0;
    friend bool operator==(const StyleProp& a, const StyleProp& b) {
        return a.name == b.name && a.value == b.value;
    }
};

struct Style {
    QString name;
    QString element = QStringLiteral("Style"); // Style, or ColumnStyle for a column's own
    QList<StyleProp> props; // the StyleData's properties in stored order, BasedOn among them
    bool hasFont = false;
    QList<StyleProp> font; // the Font element's properties
    int line = 0;

    QString basedOn() const;
    // The style's own value of a property ("Font.Name" for font properties), if it sets it.
    std::optional<QString> own(const QString& propName) const;

    // Reads a Style or ColumnStyle element (a StyleData, optionally a Font).
    static Style fromNode(const LayoutNode& node, const QString& document);
    // The StyleData element, then the Font element when there is one.
    void appendTo(LayoutNode& node) const;
};

// A property after resolution: its value, the style that set it and whether that is
// the style asked about (set) or one of its bases (inherited).
struct ResolvedProp {
    QString value;
    QString origin;
    bool set = false;
};

class ResolvedStyle {
  public:
    QString name;
    QMap<QString, ResolvedProp> props;

    bool has(const QString& prop) const { return props.contains(prop); }
    QString value(const QString& prop) const { return props.value(prop).value; }
    bool isSet(const QString& prop) const { return props.value(prop).set; }
    QString origin(const QString& prop) const { return props.value(prop).origin; }
    // The value as a decimal integer; `fallback` when missing (values were checked on reading).
    int integer(const QString& prop, int fallback = 0) const;
    // Flags: 0 off, 1 or -1 on.
    bool flag(const QString& prop) const { return integer(prop) != 0; }
};

class StyleSheet {
  public:
    // Reads a Styles document; refuses unknown elements, duplicate names, values that
    // are not numbers where numbers belong, an unknown BasedOn, a cycle, and a sheet
    // without the root style.
    static StyleSheet fromDocument(const LayoutNode& root,
                                   const QString& document = QStringLiteral("styles"));
    LayoutNode toDocument() const;

    const QList<Style>& styles() const { return m_styles; }
    const Style* find(const QString& name) const;

    // Every property of the named style, resolved through its bases. Raises LayoutError
    // for a name the sheet does not hold.
    ResolvedStyle resolve(const QString& name) const;
    // Resolves a style that is not in the sheet (a column's style) through the sheet.
    ResolvedStyle resolve(const Style& style) const;

    // Checks a style's base chain: its base must be in the sheet and the chain must end
    // at a style with no base. Raises LayoutError otherwise.
    void checkChain(const Style& style, const QString& document) const;

    // True for properties whose values are decimal integers (colours, flags, codes).
    static bool isNumericProp(const QString& name);

  private:
    QList<Style> m_styles;
};

} // namespace tav::gridlayout
