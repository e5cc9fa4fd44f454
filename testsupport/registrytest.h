#pragma once
// Test helpers for code over the registry layer: a fixture with its own temporary store,
// key and value access through the layer's own calls, and a handle counter.
#include "printers.h"
#include "testsupport.h"
#include "winreg.h"
#include "winreg_testseams.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tav::test {

// Every test gets a fresh store in its own temporary folder and no fault hook; the keys
// opened through create() and open() are closed at the end of the test.
class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Creates (or opens) a key and closes it at the end of the test.
    HKEY create(HKEY root, const char* path, REGSAM sam = KEY_ALL_ACCESS,
                DWORD* disposition = nullptr);
    LONG open(HKEY root, const char* path, REGSAM sam, HKEY* out);

    static LONG set(HKEY key, const char* name, DWORD type, const std::string& bytes);
    static LONG setText(HKEY key, const char* name, const char* text);
    // The stored bytes of a value (size query, then data query); empty optional on failure.
    static std::optional<std::string> read(HKEY key, const char* name, DWORD* type = nullptr);
    static std::vector<std::string> subkeys(HKEY key);
    static std::vector<std::string> valueNames(HKEY key);

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

    // The store's folder.
    TempDir m_dir;

  private:
    QByteArray m_savedDir;
    std::vector<HKEY> m_open;
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
