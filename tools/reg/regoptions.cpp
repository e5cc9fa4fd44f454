#include "regoptions.h"

#include <map>

namespace tav::regtool {

namespace {

// The switches each operation takes, as written after a slash, lower case.
const std::map<QString, QStringList>& switchesOf() {
    static const std::map<QString, QStringList> table = {
        {QStringLiteral("QUERY"), {"v", "ve", "s"}},
        {QStringLiteral("ADD"), {"v", "ve", "t", "s", "d", "f"}},
        {QStringLiteral("DELETE"), {"v", "ve", "va", "f"}},
        {QStringLiteral("EXPORT"), {"y"}},
        {QStringLiteral("IMPORT"), {}},
        {QStringLiteral("COPY"), {"s", "f"}},
        {QStringLiteral("COMPARE"), {"v", "ve", "s", "oa", "od", "os", "on"}},
    };
    return table;
}

// Switches that exclude each other share a group; any group may be given once.
QString switchGroup(const QString& name) {
    if (name == QLatin1String("v") || name == QLatin1String("ve"))
        return QStringLiteral("value");
    if (name.startsWith(QLatin1String("reg:")))
        return QStringLiteral("view");
    if (name.size() == 2 && name.front() == QLatin1Char('o'))
        return QStringLiteral("output");
    return name;
}

bool takeSwitch(const QString& name, const QStringList& args, qsizetype& i, Options& o) {
    const auto next = [&]() -> std::optional<QString> {
        if (i + 1 >= args.size())
            return std::nullopt;
        return args[++i];
    };
    if (name == QLatin1String("v"))
        return bool(o.valueName = next());
    if (name == QLatin1String("ve"))
        o.valueName = QString();
    else if (name == QLatin1String("va"))
        o.allValues = true;
    else if (name == QLatin1String("f"))
        o.force = true;
    else if (name == QLatin1String("y")) // export: only after the file name
        return o.force = o.positional.size() == 2;
    else if (name == QLatin1String("t"))
        return bool(o.type = next());
    else if (name == QLatin1String("d"))
        return bool(o.data = next());
    else if (name == QLatin1String("s") && o.operation == QLatin1String("ADD")) {
        const auto sep = next();
        o.separator = sep.value_or(QString());
        return o.separator.size() == 1;
    } else if (name == QLatin1String("s"))
        o.recurse = true;
    else if (name.size() == 2 && name.front() == QLatin1Char('o'))
        o.show = name == QLatin1String("oa")   ? CompareOptions::Show::All
                 : name == QLatin1String("os") ? CompareOptions::Show::Matches
                 : name == QLatin1String("on") ? CompareOptions::Show::Nothing
                                               : CompareOptions::Show::Differences;
    return true;
}

} // namespace

// Every switch at most once, only those of the operation; anything else is positional
// (a key or a file path such as /tmp/x.reg), and a stray switch fails the count.
bool parseSwitches(const QStringList& args, Options& o) {
    const QStringList& allowed = switchesOf().at(o.operation);
    QStringList seen;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i].toLower();
        const QString name = a.mid(1);
        const bool isView = a == QLatin1String("/reg:32") || a == QLatin1String("/reg:64");
        if (!a.startsWith(QLatin1Char('/')) || !(isView || allowed.contains(name))) {
            o.positional << args[i];
            continue;
        }
        if (seen.contains(switchGroup(name)))
            return false;
        seen << switchGroup(name);
        if (!takeSwitch(name, args, i, o))
            return false;
    }
    return !(o.allValues && o.valueName);
}

} // namespace tav::regtool
