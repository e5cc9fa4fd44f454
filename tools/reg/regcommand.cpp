#include "regcommand.h"

#include "codepage.h"
#include "regcompare.h"
#include "regfile.h"
#include "regfileio.h"
#include "registrystore.h"
#include "regoptions.h"
#include "regusage.h"
#include "regvalueformat.h"
#include "storetransaction.h"

#include <QFileInfo>
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
    case ERROR_FILENAME_EXCED_RANGE:
        return QStringLiteral("ERROR: The key would be nested too deeply: keys go at most %1 "
                              "levels below their root.")
            .arg(winreg::kMaxKeyDepth);
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
        return QStringLiteral("ERROR: Invalid key name.");
    default:
        return QStringLiteral("ERROR: The registry call failed with status %1.").arg(status);
    }
}

class Command {
  public:
    Command(QTextStream& out, QTextStream& err, const Answers& answers)
        : m_out(out), m_err(err), m_answers(answers) {}

    int run(const QStringList& args) {
        if (args.isEmpty())
            return syntax(QStringLiteral("REG"));
        if (isHelp(args.front()))
            return usage(QStringLiteral("REG"));
        Options o;
        o.operation = args.front().toUpper();
        if (isOperation(o.operation) && std::any_of(args.begin() + 1, args.end(), isHelp))
            return usage(o.operation);
        const auto it = operations().find(o.operation);
        if (it == operations().end())
            return syntax(QStringLiteral("REG"));
        if (!parseSwitches(args.mid(1), o) || o.positional.size() != it->second.first)
            return syntax(o.operation);
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
            {QStringLiteral("COPY"), {2, &Command::copy}},
            {QStringLiteral("COMPARE"), {2, &Command::compare}},
        };
        return ops;
    }
    static bool isOperation(const QString& op) { return operations().count(op) != 0; }
    static bool isHelp(const QString& arg) {
        const QString a = arg.toLower();
        return a == QLatin1String("/?") || a == QLatin1String("-?") || a == QLatin1String("/h") ||
               a == QLatin1String("-h") || a == QLatin1String("--help");
    }
    int usage(const QString& op) {
        m_out << usageText(op);
        return 0;
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
        const std::optional<QString> answer = m_answers ? m_answers() : std::nullopt;
        return answer && answer->trimmed().startsWith(QLatin1Char('y'), Qt::CaseInsensitive);
    }
    std::optional<KeyName> keyArg(const QString& text, const QString& op) {
        auto key = KeyName::parse(text);
        if (!key)
            m_err << "ERROR: Invalid key name.\n" << hint(op);
        return key;
    }
    std::optional<KeyName> keyArg(const Options& o, const QString& op) {
        return keyArg(o.positional.front(), op);
    }

    static QString valueLine(const RegValue& v) {
        const QString name =
            v.name.empty() ? QStringLiteral("(Default)") : QString::fromUtf8(v.name.c_str());
        return QStringLiteral("    ") + name + QStringLiteral("    ") + typeName(v.type) +
               QStringLiteral("    ") + displayData(v);
    }

    // The value lines of one key that a query shows.
    static QStringList queryLines(const std::vector<RegValue>& values, const Options& o) {
        QStringList lines;
        for (const auto& v : values)
            if (!o.valueName ||
                QString::fromUtf8(v.name.c_str()).compare(*o.valueName, Qt::CaseInsensitive) == 0)
                lines << valueLine(v);
        if (o.valueName && lines.isEmpty() && o.valueName->isEmpty() && !o.recurse)
            lines << QStringLiteral("    (Default)    REG_SZ    (value not set)");
        return lines;
    }

    // One key's block. Without /s: its full name and values, then a blank line, when it has
    // values; then the subkeys' full names. With /s: its full name, its values and a blank
    // line for every key (with /v only for keys that hold the value), each subkey's block
    // following in turn.
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
        h.reset();
        const QStringList lines = queryLines(values, o);
        matches += int(lines.size());
        if (!lines.isEmpty() || (o.recurse && !o.valueName)) {
            m_out << key.full() << '\n';
            for (const QString& line : lines)
                m_out << line << '\n';
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

    // The value add stores, or nothing after a syntax error: numbers need data, and /t or
    // /d alone set the key's unnamed value.
    std::optional<RegValue> valueToAdd(const Options& o) {
        const auto type = typeFromName(o.type.value_or(QStringLiteral("REG_SZ")));
        if (!type)
            return std::nullopt;
        const bool number =
            *type == REG_DWORD || *type == REG_DWORD_BIG_ENDIAN || *type == REG_QWORD;
        if (number && !o.data)
            return std::nullopt;
        const auto data = dataFromText(*type, o.data.value_or(QString()), o.separator);
        if (!data)
            return std::nullopt;
        const QString name = o.valueName.value_or(QString());
        return RegValue{toAnsi(name).toStdString(), *type, *data};
    }

    int add(const Options& o) {
        const auto key = keyArg(o, QStringLiteral("ADD"));
        if (!key)
            return 1;
        // A bare root with a backslash would name the root itself: values there are refused.
        if (key->path.isEmpty() && o.positional.front().endsWith(QLatin1Char('\\'))) {
            m_err << "ERROR: Invalid key name.\n" << hint(QStringLiteral("ADD"));
            return 1;
        }
        const bool setsValue = o.valueName || o.type || o.data;
        const auto value = valueToAdd(o);
        if (o.allValues || !value)
            return syntax(QStringLiteral("ADD"));
        KeyHandle h;
        if (const LONG s = createKey(*key, h))
            return failure(s);
        if (setsValue) {
            DWORD size = 0;
            const bool exists = RegQueryValueExA(h.get(), value->name.c_str(), nullptr, nullptr,
                                                 nullptr, &size) == 0;
            if (exists && !o.force &&
                !confirm(QStringLiteral("Value %1 exists, overwrite").arg(shownName(o)))) {
                m_out << "The operation was canceled by the user.\n";
                return 0;
            }
            if (const LONG s = setValue(h.get(), *value))
                return failure(s);
        }
        return success();
    }
    static QString shownName(const Options& o) {
        return o.valueName && !o.valueName->isEmpty() ? *o.valueName : QStringLiteral("(Default)");
    }

    int removeValues(const Options& o, const KeyName& key, HKEY h) {
        if (o.valueName) {
            const std::string name = toAnsi(*o.valueName).toStdString();
            if (!o.force &&
                !confirm(QStringLiteral("Delete the registry value %1").arg(shownName(o))))
                return 0;
            if (const LONG s = RegDeleteValueA(h, name.c_str()))
                return failure(s);
            return success();
        }
        if (!o.force &&
            !confirm(QStringLiteral("Delete all values under the registry key %1").arg(key.full())))
            return 0;
        std::vector<RegValue> values;
        tav::winreg::StoreTransaction t;
        LONG s = t.status() ? t.status() : readValues(h, values);
        for (const auto& v : values)
            if (!s)
                s = RegDeleteValueA(h, v.name.c_str());
        if (!s)
            s = t.commit();
        return s ? failure(s) : success();
    }

    int remove(const Options& o) {
        const auto key = keyArg(o, QStringLiteral("DELETE"));
        if (!key)
            return 1;
        KeyHandle h;
        if (const LONG s = openKey(*key, KEY_ALL_ACCESS, h))
            return failure(s);
        if (o.valueName || o.allValues)
            return removeValues(o, *key, h.get());
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

    int exportKey(const Options& o) {
        const auto key = keyArg(o, QStringLiteral("EXPORT"));
        if (!key)
            return 1;
        std::vector<KeyValues> tree;
        if (const LONG s = readTree(*key, tree))
            return failure(s);
        std::vector<std::pair<KeyName, std::vector<RegValue>>> keys;
        for (auto& k : tree)
            keys.emplace_back(k.key, std::move(k.values));
        // Never a file that imports to something else than what the store holds.
        if (const QString what = notWritable(keys); !what.isEmpty()) {
            m_err << "ERROR: A .reg file cannot hold " << what << "; nothing was written.\n";
            return 1;
        }
        QString error;
        const QString target = exportTarget(o.positional[1], error);
        if (target.isEmpty()) {
            m_err << error << '\n';
            return 1;
        }
        if (QFileInfo::exists(target) && !o.force &&
            !confirm(QStringLiteral("File %1 already exists. Overwrite").arg(o.positional[1]))) {
            m_out << "The operation was canceled by the user.\n";
            return 0;
        }
        // Written beside the target and renamed over it; a short write (a full disk) is a
        // failure too, and the new file is then discarded.
        const QByteArray bytes = writeRegFile(keys);
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
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
        QByteArray bytes;
        QString error;
        if (!readRegFileBytes(o.positional.front(), bytes, error)) {
            m_err << error << '\n';
            return 1;
        }
        RegFile file;
        RegFileError parseError;
        if (!parseRegFile(bytes, file, parseError)) {
            m_err << "ERROR: The file is not a valid registry script: line " << parseError.line
                  << ": " << parseError.reason << ".\n";
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

    // Copies the tree read from the source under `to`; false when the tester declines.
    bool copyTree(const std::vector<KeyValues>& tree, const KeyName& from, const KeyName& to,
                  bool force, LONG& status) {
        for (const auto& k : tree) {
            const QString below = k.key.path.mid(from.path.size());
            KeyName target = to;
            if (!below.isEmpty())
                target = to.child(below.mid(from.path.isEmpty() ? 0 : 1));
            KeyHandle h;
            if ((status = createKey(target, h)))
                return true;
            for (const auto& v : k.values) {
                DWORD size = 0;
                const bool exists = RegQueryValueExA(h.get(), v.name.c_str(), nullptr, nullptr,
                                                     nullptr, &size) == 0;
                const QString shown = v.name.empty() ? QStringLiteral("(Default)")
                                                     : QString::fromUtf8(v.name.c_str());
                if (exists && !force &&
                    !confirm(QStringLiteral("Value %1 exists, overwrite").arg(shown)))
                    return false;
                if ((status = setValue(h.get(), v)))
                    return true;
            }
        }
        return true;
    }

    int copy(const Options& o) {
        const auto from = keyArg(o.positional[0], QStringLiteral("COPY"));
        const auto to = from ? keyArg(o.positional[1], QStringLiteral("COPY")) : std::nullopt;
        if (!to)
            return 1;
        const QString a = from->full().toUpper(), b = to->full().toUpper();
        if (b == a || b.startsWith(a + QLatin1Char('\\'))) {
            m_err << "ERROR: A key cannot be copied into itself or into one of its subkeys.\n";
            return 1;
        }
        std::vector<KeyValues> tree;
        if (const LONG s = readTree(*from, tree, o.recurse))
            return failure(s);
        tav::winreg::StoreTransaction t;
        LONG s = t.status();
        if (!s && !copyTree(tree, *from, *to, o.force, s)) {
            m_out << "The operation was canceled by the user.\n";
            return 1; // the transaction ends unconfirmed: nothing was copied
        }
        if (!s)
            s = t.commit();
        return s ? failure(s) : success();
    }

    int compare(const Options& o) {
        const auto first = keyArg(o.positional[0], QStringLiteral("COMPARE"));
        const auto second =
            first ? keyArg(o.positional[1], QStringLiteral("COMPARE")) : std::nullopt;
        if (!second)
            return 1;
        if (o.allValues)
            return syntax(QStringLiteral("COMPARE"));
        KeyComparison comparison(m_out, CompareOptions{o.valueName, o.recurse, o.show});
        if (const LONG s = comparison.run(*first, *second))
            return failure(s);
        m_out << "\nResult Compared: " << (comparison.different() ? "Different" : "Identical")
              << '\n';
        success();
        return comparison.different() ? 2 : 0;
    }

    QTextStream& m_out;
    QTextStream& m_err;
    const Answers& m_answers;
};

} // namespace

int runReg(const QStringList& args, QTextStream& out, QTextStream& err, QTextStream* in) {
    const Answers answers = [in]() -> std::optional<QString> {
        if (!in || in->atEnd())
            return std::nullopt;
        return in->readLine();
    };
    return runReg(args, out, err, answers);
}

int runReg(const QStringList& args, QTextStream& out, QTextStream& err, const Answers& answers) {
    Command command(out, err, answers);
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
