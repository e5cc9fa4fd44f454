#include "variant.h"

#include "codepage.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace tav {

double roundHalfEven(double v) {
    return std::nearbyint(v); // default rounding mode is to-nearest, ties to even
}

bool parseNumber(const QString& text, double& out) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        bool ok = false;
        const qlonglong v = t.mid(2).toLongLong(&ok, 16);
        if (!ok)
            return false;
        out = double(v);
        return true;
    }
    if (t.startsWith(QLatin1String("&O"), Qt::CaseInsensitive)) {
        bool ok = false;
        const qlonglong v = t.mid(2).toLongLong(&ok, 8);
        if (!ok)
            return false;
        out = double(v);
        return true;
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

QString formatDouble(double v) {
    if (v == 0)
        return QStringLiteral("0");
    QString s = QString::number(v, 'g', 15);
    const qsizetype e = s.indexOf(u'e');
    if (e >= 0) {
        QString mant = s.left(e);
        QString exp = s.mid(e + 1);
        const QChar sign = exp.at(0) == u'-' ? u'-' : u'+';
        if (exp.at(0) == u'-' || exp.at(0) == u'+')
            exp.remove(0, 1);
        while (exp.size() > 2 && exp.at(0) == u'0')
            exp.remove(0, 1);
        if (exp.size() < 2)
            exp.prepend(u'0');
        return mant + u'E' + sign + exp;
    }
    return s;
}

bool Variant::isNumeric() const {
    switch (kind()) {
    case Kind::Integer:
    case Kind::Long:
    case Kind::Double:
    case Kind::Boolean:
    case Kind::Empty:
        return true;
    case Kind::String: {
        double d;
        return parseNumber(*get<QString>(), d);
    }
    default:
        return false;
    }
}

QString Variant::typeName() const {
    switch (kind()) {
    case Kind::Empty:
        return QStringLiteral("Empty");
    case Kind::Null:
        return QStringLiteral("Null");
    case Kind::Integer:
        return QStringLiteral("Integer");
    case Kind::Long:
        return QStringLiteral("Long");
    case Kind::Double:
        return QStringLiteral("Double");
    case Kind::String:
        return QStringLiteral("String");
    case Kind::Boolean:
        return QStringLiteral("Boolean");
    case Kind::ByteArray:
        return QStringLiteral("Byte()");
    case Kind::VariantArray:
        return QStringLiteral("Variant()");
    }
    return {};
}

QString Variant::toText() const {
    switch (kind()) {
    case Kind::Empty:
        return {};
    case Kind::Null:
        throw VbError::standard(err::InvalidUseOfNull);
    case Kind::Integer:
        return QString::number(*get<int16_t>());
    case Kind::Long:
        return QString::number(*get<int32_t>());
    case Kind::Double:
        return formatDouble(*get<double>());
    case Kind::String:
        return *get<QString>();
    case Kind::Boolean:
        return *get<bool>() ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::ByteArray: {
        const auto& b = get<ByteArray>()->items();
        return fromAnsi(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
    }
    case Kind::VariantArray:
        break;
    }
    throw VbError::standard(err::TypeMismatch);
}

double Variant::toDouble() const {
    switch (kind()) {
    case Kind::Empty:
        return 0;
    case Kind::Null:
        throw VbError::standard(err::InvalidUseOfNull);
    case Kind::Integer:
        return *get<int16_t>();
    case Kind::Long:
        return *get<int32_t>();
    case Kind::Double:
        return *get<double>();
    case Kind::Boolean:
        return *get<bool>() ? -1 : 0;
    case Kind::String: {
        const QString& s = *get<QString>();
        double d;
        if (parseNumber(s, d))
            return d;
        if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return -1;
        if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return 0;
        break;
    }
    default:
        break;
    }
    throw VbError::standard(err::TypeMismatch);
}

int16_t Variant::toInteger() const {
    if (const auto* i = get<int16_t>())
        return *i;
    const double r = roundHalfEven(toDouble());
    if (!(r >= -32768.0 && r <= 32767.0))
        throw VbError::standard(err::Overflow);
    return int16_t(r);
}

int32_t Variant::toLong() const {
    if (const auto* i = get<int32_t>())
        return *i;
    const double r = roundHalfEven(toDouble());
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        throw VbError::standard(err::Overflow);
    return int32_t(r);
}

bool Variant::toBool() const {
    return toDouble() != 0;
}

const ByteArray& Variant::bytes() const {
    if (const auto* b = get<ByteArray>())
        return *b;
    throw VbError::standard(err::TypeMismatch);
}

const VariantArray& Variant::array() const {
    if (const auto* a = get<VariantArray>())
        return *a;
    throw VbError::standard(err::TypeMismatch);
}

} // namespace tav
