#pragma once
// Every registry test runs on its own store in a temporary folder.
#include "registrystore.h"
#include "storetransaction.h"
#include "testsupport.h"
#include "winreg.h"
#include "winreg_testseams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedDir = qgetenv("TAV_REGISTRY_DIR");
        qputenv("TAV_REGISTRY_DIR", m_dir.path().toLocal8Bit());
        tav::winreg::resetStoreForTests();
        tav::winreg::setFaultHook(nullptr);
    }
    void TearDown() override
    {
        for (HKEY h : m_open)
            RegCloseKey(h);
        tav::winreg::resetStoreForTests();
        qputenv("TAV_REGISTRY_DIR", m_savedDir);
    }

    // Creates (or opens) a key and closes it at the end of the test.
    HKEY create(HKEY root, const char* path, REGSAM sam = KEY_ALL_ACCESS, DWORD* disposition = nullptr)
    {
        HKEY h = nullptr;
        const LONG s = RegCreateKeyExA(root, path, 0, nullptr, 0, sam, nullptr, &h, disposition);
        EXPECT_EQ(s, ERROR_SUCCESS) << path;
        if (h)
            m_open.push_back(h);
        return h;
    }
    LONG open(HKEY root, const char* path, REGSAM sam, HKEY* out)
    {
        *out = nullptr;
        const LONG s = RegOpenKeyExA(root, path, 0, sam, out);
        if (*out)
            m_open.push_back(*out);
        return s;
    }
    static LONG set(HKEY key, const char* name, DWORD type, const std::string& bytes)
    {
        return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
    }
    static LONG setText(HKEY key, const char* name, const char* text)
    {
        return set(key, name, REG_SZ, std::string(text, std::strlen(text) + 1));
    }
    // The stored bytes of a value (size query, then data query); empty optional on failure.
    static std::optional<std::string> read(HKEY key, const char* name, DWORD* type = nullptr)
    {
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        std::string data(size, '\0');
        if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            return std::nullopt;
        data.resize(size);
        return data;
    }
    static std::vector<std::string> subkeys(HKEY key)
    {
        std::vector<std::string> names;
        char buf[300];
        for (DWORD i = 0; RegEnumKeyA(key, i, buf, sizeof buf) == ERROR_SUCCESS; ++i)
            names.emplace_back(buf);
        return names;
    }
    static std::vector<std::string> valueNames(HKEY key)
    {
        std::vector<std::string> names;
        char buf[300];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof buf;
            if (RegEnumValueA(key, i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(buf, len);
        }
        return names;
    }

    tav::test::TempDir m_dir;

private:
    QByteArray m_savedDir;
    std::vector<HKEY> m_open;
};
