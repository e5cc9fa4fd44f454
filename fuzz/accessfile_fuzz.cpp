// Access database files through the helper process and its time limit: the input is
// written to a file named .mdb and opened through the recordset with the connection
// string the programs use. Opening reads the catalog and each query loads the tables it
// reads, each in a run of the helper; every step either works or raises a VbError, and a
// crash or hang of the helper must come back as such an error. Slow per input by nature.
// No image is kept between inputs: each one is a new file at the same path, read afresh.
//
// With TAV_FUZZ_KEEP_DIR set, inputs that crashed or stalled the helper, or made its
// sanitizers report (the helper is built with them too; a report ends it with status 1),
// are copied there: the fuzz process itself survived them, so libFuzzer keeps no artefact.
#include "accessformat.h"
#include "fuzzsupport.h"
#include "recordset.h"
#include "variant.h"
#include "vberror.h"

#include <QCryptographicHash>
#include <QDir>

#include <cstdio>

using tav::ado::Recordset;

namespace {

long g_opened = 0;
long g_refused = 0;
long g_helperCrashed = 0;
long g_helperStalled = 0;
long g_helperSanitizer = 0;

void keep(const QByteArray& input, const char* kind) {
    const QString dir = qEnvironmentVariable("TAV_FUZZ_KEEP_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    const QString name =
        QStringLiteral("%1-%2.mdb")
            .arg(QLatin1String(kind),
                 QString::fromLatin1(
                     QCryptographicHash::hash(input, QCryptographicHash::Sha1).toHex()));
    tav::fuzz::writeFile(dir + u'/' + name, input);
}

// Counts a refusal, keeping inputs that crashed or stalled the helper or made its
// sanitizers report.
void refused(const tav::VbError& e, const QByteArray& input) {
    ++g_refused;
    if (e.description().isEmpty())
        tav::fuzz::fail("an error without a description", QString::number(e.number()));
    if (e.description().contains(QLatin1String("stopped unexpectedly"))) {
        ++g_helperCrashed;
        keep(input, "crash");
    } else if (e.description().contains(QLatin1String("did not finish"))) {
        ++g_helperStalled;
        keep(input, "stall");
    } else if (e.description().contains(QLatin1String("ABORTING")) ||
               e.description().contains(QLatin1String("Sanitizer")) ||
               e.description().contains(QLatin1String("runtime error"))) {
        ++g_helperSanitizer;
        keep(input, "sanitizer");
    }
}

void walk(Recordset& rs, const QString& source, const QByteArray& input) {
    try {
        rs.open(source, tav::ado::adOpenStatic, tav::ado::adLockOptimistic, -1);
    } catch (const tav::VbError& e) {
        refused(e, input);
        return;
    }
    for (int row = 0; row < 200 && !rs.eof(); ++row, rs.moveNext())
        for (int c = 0; c < rs.fieldCount(); ++c) {
            try {
                (void)rs.fields(c).value().toText();
            } catch (const tav::VbError&) {
                // Null and byte arrays have no text.
            }
        }
    rs.close();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tav::fuzz::initialize(argc, argv);
    tav::ado::registerAccessFormat();
    // A shorter limit than the programs' 15 s keeps a stalled helper from reaching
    // libFuzzer's own timeout.
    if (qEnvironmentVariableIsEmpty("TAV_MDBREADER_TIMEOUT_MS"))
        qputenv("TAV_MDBREADER_TIMEOUT_MS", "5000");
    // Inputs written within one tick of the file clock with the same size would look like
    // the same file; keeping no image reads each one.
    tav::ado::AccessFormat::setImageCacheLimit(0);
    std::atexit([] {
        std::fprintf(stderr,
                     "accessfile: %ld opened, %ld refused (helper crashed %ld, stalled %ld, "
                     "sanitizer reports %ld)\n",
                     g_opened, g_refused, g_helperCrashed, g_helperStalled, g_helperSanitizer);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = tav::fuzz::bytes(data, size);
    const QString path = tav::fuzz::workDir() + QStringLiteral("/dbEquip.mdb");
    tav::fuzz::writeFile(path, input);
    Recordset rs;
    try {
        rs.setActiveConnection(QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=") +
                               path);
    } catch (const tav::VbError& e) {
        refused(e, input);
        return 0;
    }
    ++g_opened;
    // Tables are bounded by the file; a saved query is not: a damaged design row can drop
    // a join and leave a cross product of every table, which the recordset would read in
    // full. TOP keeps the fuzz process within memory without skipping the query's rebuild.
    walk(rs, QStringLiteral("SELECT * FROM Customers"), input);
    walk(rs, QStringLiteral("SELECT * FROM [Order Details]"), input);
    walk(rs, QStringLiteral("SELECT TOP 50 * FROM Invoices"), input);
    walk(rs, QStringLiteral("SELECT TOP 50 * FROM [Ten Most Expensive Products]"), input);
    return 0;
}
