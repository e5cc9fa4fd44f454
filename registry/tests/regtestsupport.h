#pragma once
// Test helpers for code over the registry layer: a fixture with its own temporary store,
// raw access to stored values, a handle counter and the caught error of a call.
#include "testsupport.h"
#include "variant.h"
#include "vberror.h"
#include "winreg.h"
#include "winreg_testseams.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>

namespace tav::test {

// Every test gets a fresh store in its own temporary folder and no fault hook.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores exactly these bytes with this type, creating the key path.
    static void putRaw(HKEY root, const QString& path, const QString& name, DWORD type,
                       const QByteArray& data);
    struct Raw {
        DWORD type = 0;
        QByteArray data;
    };
    // The stored type and bytes, or nothing when the key or value is missing.
    static std::optional<Raw> getRaw(HKEY root, const QString& path, const QString& name);
    static bool keyExists(HKEY root, const QString& path);

private:
    TempDir m_dir;
    QByteArray m_savedDir;
};

// Counts the opens (successful or not, as the hook sees calls before they run) and closes.
class HandleCounter {
public:
    HandleCounter();
    ~HandleCounter();
    int opens() const { return m_opens; }
    int closes() const { return m_closes; }

private:
    int m_opens = 0;
    int m_closes = 0;
};

} // namespace tav::test

namespace tav {
// Readable failure messages for variants: kind and text form.
void PrintTo(const Variant& v, std::ostream* os);
} // namespace tav
