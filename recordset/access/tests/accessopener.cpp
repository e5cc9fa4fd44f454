// tav-accessopener FILE: opens one Access file through the recordset, as a program does, and
// ends. The tests kill it while the reader it started runs, to see that the reader goes too.
#include "accessformat.h"
#include "recordset.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tav-accessopener FILE\n");
        return 2;
    }
    tav::ado::registerAccessFormat();
    try {
        tav::ado::Recordset rs;
        rs.setActiveConnection(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                               QString::fromLocal8Bit(argv[1]));
    } catch (const tav::VbError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
