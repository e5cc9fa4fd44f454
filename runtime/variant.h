#pragma once
// The automation Variant: a tagged value of the kinds the programs pass around.
#include "vbarray.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <variant>

namespace tav {

class Variant;
using ByteArray = VbArray<uint8_t>;
using VariantArray = VbArray<Variant>;
using StringArray = VbArray<QString>;

// Automation booleans: true is all bits set.
inline constexpr int16_t VbTrue = -1;
inline constexpr int16_t VbFalse = 0;
inline constexpr int16_t vbBool(bool b) {
    return b ? VbTrue : VbFalse;
}

class Variant {
  public:
    enum class Kind {
        Empty,
        Null,
        Integer,
        Long,
        Double,
        String,
        Boolean,
        ByteArray,
        VariantArray
    };
    struct EmptyTag {
        friend bool operator==(EmptyTag, EmptyTag) { return true; }
    };
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };

    Variant() = default;
    Variant(int16_t v) : m_value(v) {}
    Variant(int32_t v) : m_value(v) {}
    Variant(double v) : m_value(v) {}
    Variant(bool v) : m_value(v) {}
    Variant(QString v) : m_value(std::move(v)) {}
    Variant(const char* v) : m_value(QString::fromUtf8(v)) {}
    Variant(ByteArray v) : m_value(std::move(v)) {}
    Variant(VariantArray v) : m_value(std::move(v)) {}

    static Variant null() {
        Variant v;
        v.m_value = NullTag{};
        return v;
    }

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool isEmpty() const { return kind() == Kind::Empty; }
    bool isNull() const { return kind() == Kind::Null; }
    bool isNumeric() const;

    // The automation type name: "Empty", "Integer", "String", "Byte()" ...
    QString typeName() const;

    // Conversions by the language's rules. Null raises 94, an impossible conversion 13,
    // a value out of range 6.
    QString toText() const;    // CStr
    int16_t toInteger() const; // CInt: halves round to even
    int32_t toLong() const;    // CLng: halves round to even
    double toDouble() const;   // CDbl
    bool toBool() const;       // CBool

    const ByteArray& bytes() const;    // raises 13 unless a byte array
    const VariantArray& array() const; // raises 13 unless a variant array

    template <class T> const T* get() const { return std::get_if<T>(&m_value); }

    friend bool operator==(const Variant& a, const Variant& b) { return a.m_value == b.m_value; }

  private:
    std::variant<EmptyTag, NullTag, int16_t, int32_t, double, QString, bool, ByteArray,
                 VariantArray>
        m_value;
};

// Rounds to the nearest integer, halves to even, as the language's integer conversions do.
double roundHalfEven(double v);

// Parses text as the language does for a numeric conversion ("  12.5 ", "-3", "&H1F");
// false when the text is not a number.
bool parseNumber(const QString& text, double& out);

// Text of a double as the language prints it: up to 15 significant digits, no
// trailing zeros ("1.5", "0.0001", "1E+20").
QString formatDouble(double v);

} // namespace tav
