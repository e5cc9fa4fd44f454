#include "accessheader.h"
#include "adoerror.h"
#include "unsupportedaccessformat_p.h"

namespace tav::ado {

bool UnsupportedAccessFormat::recognizes(const QByteArray& header) const {
    return !accessVersionOf(header).isEmpty();
}

std::unique_ptr<Connection> UnsupportedAccessFormat::open(const QString& path) const {
    throw providerError(
        errc::ProviderFailure,
        QStringLiteral("Cannot open '%1': Access files are not supported by this build.")
            .arg(path));
}

} // namespace tav::ado
