#include "regcommand.h"

#include "codepage.h"
#include "regfile.h"
#include "registrystore.h"
#include "regusage.h"
#include "regvalueformat.h"
#include "storetransaction.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <functional>
#include <map>

namespace tav::regtool {

namespace {

const QString kSuccess = QStringLiteral("The operation completed successfully.");
const QString kNotFound =
    QStringLiteral("ERROR: The system was unable to find the specified registry key or value.");

QString statusText(LONG status) {
    switch (status) {
    case ERROR_FILE_NOT_FOUND:
        return kNotFound;
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("ERROR: Access is denied.");
    case ERROR_BADDB:
        return QStringLiteral("ERROR: The configuration registry database is corrupt.");
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
        return QStringLiteral("ERROR: Invalid key name.");
    default:
        return QStringLiteral("ERROR: The registry call failed with status %1.").arg(status);
    }
}

// The switches of one command line.
struct Options {
    QString operation;
    QStringList positional;
    std::optional<QString> valueName; // /v NAME, or "" for /ve
    bool allValues = false;           // /va
    bool force = false;               // /f, /y
    bool recurse = false;             // /s in query
    QString type = QStringLiteral("REG_SZ");
    QString data;
    QString separator = QStringLiteral("\\0");
};

class Command {
  public:
    Command(QTextStream& out, QTextStream& err, QTextStream* in)
        : m_out(out), m_err(err), m_in(in) {}

    int run(const QStringList& args) {
        if (args.isEmpty())
            return syntax(QStringLiteral("REG"));
        if (isHelp(args.front()))
            return usage(QStringLiteral("REG"));
        Options o;
        o.operation = args.front().toUpper();
        if (isOperation(o.operation) && std::any_of(args.begin() + 1, args.end(), isHelp))
            return usage(o.operation);
        if (!parseSwitches(args.mid(1), o))
            return syntax(o.operation);
        const auto it = operations().find(o.operation);
        if (it == operations().end() || o.positional.size() != it->second.first)
            return syntax(it == operations().end() ? QStringLiteral("REG") : o.operation);
        return (this->*(it->second.second))(o);
    }

  private:
    using Operations = std::map<QString, std::pair<int, int (Command::*)(const Options&)>>;
    // Each operation with its count of positional arguments.
    static const Operations& operations() {
        static const Operations ops = {
            {QStringLiteral("QUERY"), {1, &Command::query}},
            {QStringLiteral("ADD"), {1, &Command::add}},
            {QStringLiteral("DELETE"), {1, &Command::remove}},
            {QStringLiteral("EXPORT"), {2, &Command::exportKey}},
            {QStringLiteral("IMPORT"), {1, &Command::import}},
        };
        return ops;
    }
    static bool isOperation(const QString& op) { return operations().count(op) != 0; }
    static bool isHelp(const QString& arg) {
        return arg == QLatin1String("/?") || arg == QLatin1String("-?") ||
               arg == QLatin1String("--help");
    }
    int usage(const QString& op) {
        m_out << usageText(op);
        return 0;
    }

    bool parseSwitches(const QStringList& args, Options& o) {
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString a = args[i].toLower();
            const auto next = [&](QString& into) {
                if (i + 1 >= args.size())
                    return false;
                into = args[++i];
                return true;
            };
            if (a == QLatin1String("/v")) {
                QString name;
                if (o.valueName || !next(name))
                    return false;
                o.valueName = name;
            } else if (a == QLatin1String("/ve")) {
                if (o.valueName)
                    return false;
                o.valueName = QString();
            } else if (a == QLatin1String("/va")) {
                o.allValues = true;
            } else if (a == QLatin1String("/f") || a == QLatin1String("/y")) {
                o.force = true;
            } else if (a == QLatin1String("/t")) {
                if (!next(o.type))
                    return false;
            } else if (a == QLatin1String("/d")) {
                if (!next(o.data))
                    return false;
            } else if (a == QLatin1String("/s")) {
                if (o.operation == QLatin1String("ADD")) {
                    if (!next(o.separator))
                        return false;
                } else {
                    o.recurse = true;
                }
            } else if (a == QLatin1String("/reg:32") || a == QLatin1String("/reg:64")) {
                // one registry view only
            } else {
                o.positional
                    << args[i]; // a file path such as /tmp/x.reg; a stray switch fails the count
            }
        }
        return !(o.allValues && o.valueName);
    }

    int syntax(const QString& op) {
        m_err << "ERROR: Invalid syntax.\n" << hint(op);
        return 1;
    }
    // Where to read the usage: the operation's own, or the tool's for "REG".
    static QString hint(const QString& op) {
        const QString command = op == QLatin1String("REG") ? op : QStringLiteral("REG ") + op;
        return QStringLiteral("Type \"%1 /?\" for usage.\n").arg(command);
    }
    int failure(LONG status) {
        m_err << statusText(status) << '\n';
        return 1;
    }
    int success() {
        m_out << kSuccess << '\n';
        return 0;
    }
    bool confirm(const QString& question) {
        m_out << question << " (Yes/No)? " << Qt::flush;
        if (!m_in)
            return false;
        const QString answer = m_in->readLine().trimmed();
        return answer.startsWith(QLatin1Char('y'), Qt::CaseInsensitive);
    }
    std::optional<KeyName> keyArg(const Options& o, const QString& op) {
        auto key = KeyName::parse(o.positional.front());
        if (!key)
            m_err << "ERROR: Invalid key name.\n" << hint(op);
        return key;
    }

    static QString valueLine(const RegValue& v) {
        const QString name =
            v.name.empty() ? QStringLiteral("(Default)") : QString::fromUtf8(v.name.c_str());
        return QStringLiteral("    ") + name + QStringLiteral("    ") + typeName(v.type) +
               QStringLiteral("    ") + displayData(v);
    }

    // One key's block: its full name, its values and, after values, a blank line. Without
    // /s the subkeys' full names follow; with /s each subkey's block follows in turn.
    LONG queryKey(const KeyName& key, const Options& o, int& matches) {
        KeyHandle h;
        if (const LONG s = openKey(key, KEY_READ, h))
            return s;
        std::vector<RegValue> values;
        std::vector<std::string> subkeys;
        if (const LONG s = readValues(h.get(), values))
            return s;
        if (const LONG s = readSubkeys(h.get(), subkeys))
            return s;
        QStringList lines;
        for (const auto& v : values)
            if (!o.valueName ||
                QString::fromUtf8(v.name.c_str()).compare(*o.valueName, Qt::CaseInsensitive) == 0)
                lines << valueLine(v);
        if (o.valueName && lines.isEmpty() && o.valueName->isEmpty() && !o.recurse)
            lines << QStringLiteral("    (Default)    REG_SZ    (value not set)");
        matches += int(lines.size());
        if (!o.valueName || !lines.isEmpty()) {
            m_out << key.full() << '\n';
            for (const QString& line : lines)
                m_out << line << '\n';
            if (!lines.isEmpty())
                m_out << '\n';
        }
        if (!o.recurse) {
            if (!o.valueName)
                for (const auto& s : subkeys)
                    m_out << key.child(QString::fromUtf8(s.c_str())).full() << '\n';
            return ERROR_SUCCESS;
        }
        for (const auto& s : subkeys)
            if (const LONG st = queryKey(key.child(QString::fromUtf8(s.c_str())), o, matches))
                return st;
        return ERROR_SUCCESS;
    }

    int query(const Options& o) {
        const auto key = keyArg(o, QStringLiteral("QUERY"));
        if (!key)
            return 1;
        if (o.allValues)
            return syntax(QStringLiteral("QUERY"));
        {
            KeyHandle probe;
            if (const LONG s = openKey(*key, KEY_READ, probe))
                return failure(s);
        }
        m_out << '\n';
        int matches = 0;
        if (const LONG s = queryKey(*key, o, matches))
            return failure(s);
        if (o.valueName && o.recurse) {
            m_out << "End of search: " << matches << " match(es) found.\n";
            return matches ? 0 : 1;
        }
        if (o.valueName && matches == 0)
            return failure(ERROR_FILE_NOT_FOUND);
        return 0;
    }

    int add(const Options& o) {
        const auto key = keyArg(o, QStringLiteral("ADD"));
        if (!key)
            return 1;
        const auto type = typeFromName(o.type);
        const auto data = type ? dataFromText(*type, o.data, o.separator) : std::nullopt;
        if (o.allValues || !type || !data)
            return syntax(QStringLiteral("ADD"));
        KeyHandle h;
        if (const LONG s = createKey(*key, h))
            return failure(s);
        if (o.valueName) {
            const std::string name = toAnsi(*o.valueName).toStdString();
            DWORD size = 0;
            const bool exists =
                RegQueryValueExA(h.get(), name.c_str(), nullptr, nullptr, nullptr, &size) == 0;
            const QString shown =
                o.valueName->isEmpty() ? QStringLiteral("(Default)") : *o.valueName;
            if (exists && !o.force &&
                !confirm(QStringLiteral("Value %1 exists, overwrite").arg(shown))) {
                m_out << "The operation was canceled by the user.\n";
                return 0;
            }
            if (const LONG s = setValue(h.get(), RegValue{name, *type, *data}))
                return failure(s);
        }
        return success();
    }

    int remove(const Options& o) {
        const auto key = keyArg(o, QStringLiteral("DELETE"));
        if (!key)
            return 1;
        KeyHandle h;
        if (const LONG s = openKey(*key, KEY_ALL_ACCESS, h))
            return failure(s);
        if (o.valueName) {
            const std::string name = toAnsi(*o.valueName).toStdString();
            const QString shown =
                o.valueName->isEmpty() ? QStringLiteral("(Default)") : *o.valueName;
            if (!o.force && !confirm(QStringLiteral("Delete the registry value %1").arg(shown)))
                return 0;
            if (const LONG s = RegDeleteValueA(h.get(), name.c_str()))
                return failure(s);
            return success();
        }
        if (o.allValues) {
            if (!o.force &&
                !confirm(
                    QStringLiteral("Delete all values under the registry key %1").arg(key->full())))
                return 0;
            std::vector<RegValue> values;
            tav::winreg::StoreTransaction t;
            LONG s = t.status() ? t.status() : readValues(h.get(), values);
            for (const auto& v : values)
                if (!s)
                    s = RegDeleteValueA(h.get(), v.name.c_str());
            if (!s)
                s = t.commit();
            return s ? failure(s) : success();
        }
        h.reset();
        if (key->path.isEmpty()) // a predefined root is never deleted
            return failure(ERROR_ACCESS_DENIED);
        if (!o.force &&
            !confirm(QStringLiteral("Permanently delete the registry key %1").arg(key->full())))
            return 0;
        tav::winreg::StoreTransaction t;
        LONG s = t.status() ? t.status() : deleteTree(*key);
        if (!s)
            s = t.commit();
        return s ? failure(s) : success();
    }

    LONG collect(const KeyName& key, std::vector<std::pair<KeyName, std::vector<RegValue>>>& out) {
        KeyHandle h;
        if (const LONG s = openKey(key, KEY_READ, h))
            return s;
        std::vector<RegValue> values;
        std::vector<std::string> subkeys;
        if (const LONG s = readValues(h.get(), values))
            return s;
        if (const LONG s = readSubkeys(h.get(), subkeys))
            return s;
        out.emplace_back(key, std::move(values));
        for (const auto& s : subkeys)
            if (const LONG st = collect(key.child(QString::fromUtf8(s.c_str())), out))
                return st;
        return ERROR_SUCCESS;
    }

    int exportKey(const Options& o) {
        const auto key = keyArg(o, QStringLiteral("EXPORT"));
        if (!key)
            return 1;
        std::vector<std::pair<KeyName, std::vector<RegValue>>> keys;
        if (const LONG s = collect(*key, keys))
            return failure(s);
        const QString path = o.positional[1];
        if (QFile::exists(path) && !o.force &&
            !confirm(QStringLiteral("File %1 already exists. Overwrite").arg(path))) {
            m_out << "The operation was canceled by the user.\n";
            return 0;
        }
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(writeRegFile(keys)) < 0 ||
            !file.commit()) {
            m_err << "ERROR: Unable to write to the file. There may be a disk or file system "
                     "error.\n";
            return 1;
        }
        return success();
    }

    // Applies a parsed file; every call runs inside the caller's transaction.
    LONG apply(const RegFile& file) {
        for (const auto& entry : file.keys) {
            if (entry.remove) {
                const LONG s =
                    entry.key.path.isEmpty() ? ERROR_ACCESS_DENIED : deleteTree(entry.key);
                if (s && s != ERROR_FILE_NOT_FOUND)
                    return s;
                continue;
            }
            KeyHandle h;
            if (const LONG s = createKey(entry.key, h))
                return s;
            for (const auto& v : entry.values) {
                const LONG s = v.remove ? RegDeleteValueA(h.get(), v.value.name.c_str())
                                        : setValue(h.get(), v.value);
                if (s && !(v.remove && s == ERROR_FILE_NOT_FOUND))
                    return s;
            }
        }
        return ERROR_SUCCESS;
    }

    int import(const Options& o) {
        QFile f(o.positional.front());
        if (!f.open(QIODevice::ReadOnly)) {
            m_err << "ERROR: Error opening the file. There may be a disk or file system error.\n";
            return 1;
        }
        RegFile file;
        RegFileError error;
        if (!parseRegFile(f.readAll(), file, error)) {
            m_err << "ERROR: The file is not a valid registry script: line " << error.line << ": "
                  << error.reason << ".\n";
            return 1;
        }
        tav::winreg::StoreTransaction t;
        LONG s = t.status() ? t.status() : apply(file);
        if (!s)
            s = t.commit();
        if (s) {
            m_err << "ERROR: Error accessing the registry.\n" << statusText(s) << '\n';
            return 1;
        }
        return success();
    }

    QTextStream& m_out;
    QTextStream& m_err;
    QTextStream* m_in;
};

} // namespace

int runReg(const QStringList& args, QTextStream& out, QTextStream& err, QTextStream* in) {
    Command command(out, err, in);
    const int code = command.run(args);
    // Opening the store took other users' access away from files of it: say so once.
    const std::vector<QString> madePrivate = winreg::takeFilesMadePrivate();
    if (!madePrivate.empty())
        err << "NOTE: other users could read or change the registry store; it is now private to "
               "you: "
            << QStringList(madePrivate.begin(), madePrivate.end()).join(QStringLiteral(", "))
            << Qt::endl;
    out.flush();
    err.flush();
    return code;
}

} // namespace tav::regtool
