#include "modregistry.h"

#include "cregistry.h"

namespace tav::datacheck::modRegistry {

Variant GetRegistrySetting(const QString& sValueName) {
    cRegistry reg;
    try {
        reg.setClassKey(cRegistry::HKeyCurrentUser);
        reg.setSectionKey(QString::fromLatin1(SettingsKey));
        reg.setValueType(1);
        reg.setValueKey(sValueName);
        if (reg.ValueType() == 1)
            reg.setDefault(QString());
        return reg.value();
    } catch (const VbError&) {
        // One more read from the same object; a failure now goes to the caller.
        return reg.value();
    }
}

} // namespace tav::datacheck::modRegistry
