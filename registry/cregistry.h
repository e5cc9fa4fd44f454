#pragma once
// cRegistry: reads, writes, creates, deletes and lists registry keys and values at the
// location its properties name (a predefined root, a key path below it, a value name).
// No key stays open between calls: every member opens what it needs and closes it again,
// also when it raises.
#include "variant.h"
#include "vberror.h"

#include <QString>

#include <cstdint>

namespace tav {

class cRegistry {
  public:
    // Error numbers the class raises (32-bit signed: the object error base plus an offset).
    static constexpr int32_t ErrFailed = err::RegistryFailed;
    static constexpr int32_t ErrSetValue = err::RegistrySetValue;
    static constexpr int32_t ErrEnumerateSections = err::RegistryEnumerateSections;

    // Predefined roots as the signed 32-bit handles ClassKey holds.
    static constexpr int32_t HKeyClassesRoot = static_cast<int32_t>(0x80000000u);
    static constexpr int32_t HKeyCurrentUser = static_cast<int32_t>(0x80000001u);
    static constexpr int32_t HKeyLocalMachine = static_cast<int32_t>(0x80000002u);

    // ---- State properties: plain accessors, no validation, no registry access.
    int32_t ClassKey() const { return m_ClassKey; }
    void setClassKey(int32_t eKey) { m_ClassKey = eKey; }
    QString SectionKey() const { return m_SectionKey; }
    void setSectionKey(const QString& sSectionKey) { m_SectionKey = sSectionKey; }
    QString ValueKey() const { return m_ValueKey; }
    void setValueKey(const QString& sValueKey) { m_ValueKey = sValueKey; }
    int32_t ValueType() const { return m_ValueType; }
    void setValueType(int32_t eValueType) { m_ValueType = eValueType; }
    Variant Default() const { return m_Default; }
    void setDefault(Variant vDefault) { m_Default = std::move(vDefault); }

    // ---- The value at ClassKey\SectionKey\ValueKey.
    // Reads the value by its stored type (and sets ValueType to it); a copy of Default when
    // the key or value cannot be read.
    Variant value();
    // Writes vValue as ValueType says, creating every missing key of the path first.
    void setValue(Variant vValue);

    // ---- Key and value maintenance. Results are automation booleans.
    int16_t KeyExists() const;
    int16_t CreateKey();
    int16_t DeleteKey();
    int16_t DeleteValue();

    // ---- Listings: the arrays come back with lower bound 1 and exactly count elements.
    int16_t EnumerateValues(StringArray& sKeyNames, int32_t& iKeyCount);
    int16_t EnumerateSections(StringArray& sSect, int32_t& iSectCount);

    // Registers sAssociation (without its dot) as a file extension of class sClassName whose
    // open command starts sExePath; writes a DefaultIcon entry when lDefaultIconIndex >= 0.
    // Leaves ClassKey, SectionKey and ValueKey at the last location written.
    void CreateEXEAssociation(const QString& sExePath, const QString& sClassName,
                              const QString& sClassDescription, const QString& sAssociation,
                              int32_t lDefaultIconIndex = -1);

    // The source every error of the class carries: the program file's name + ".cRegistry".
    static QString errorSource();

  private:
    static int32_t ReverseByteOrder(int32_t x);
    static QString ExpandEnvironmentText(const QString& text);

    // Reads the value with its stored type; false when it cannot be read. ValueType takes the
    // stored type as soon as a query finds the value, so a read or expansion that fails
    // afterwards leaves it holding that type.
    bool readValue(Variant& result);
    QString setValueFailureText(const Variant& vValue) const;
    [[noreturn]] void raise(int32_t number, const QString& description) const;
    QString handleText() const { return QString::number(m_ClassKey); }

    int32_t m_ClassKey = 0;
    QString m_SectionKey;
    QString m_ValueKey;
    int32_t m_ValueType = 0;
    Variant m_Default;
};

} // namespace tav
