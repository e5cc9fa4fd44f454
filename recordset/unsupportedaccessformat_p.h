#pragma once
// Access files in a build or a program without the Access format (registerAccessFormat):
// told by their signature and refused as Access files, rather than as files of no known
// format. The Access format, once registered, is asked first.
#include "connection.h"

namespace tav::ado {

class UnsupportedAccessFormat : public FileFormat {
  public:
    QString name() const override { return QStringLiteral("Access (not supported)"); }
    bool recognizes(const QByteArray& header) const override;
    std::unique_ptr<Connection> open(const QString& path) const override;
};

} // namespace tav::ado
