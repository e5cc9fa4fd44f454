// Helper process for the store's concurrency tests: writes COUNT values named PREFIX_<i>
// under HKEY_CURRENT_USER\Software\Race and prints "ok <i>" after each write returns.
#include "winreg.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string prefix = argv[1];
    const int count = std::atoi(argv[2]);
    for (int i = 0; i < count; ++i) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Race", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return 1;
        const std::string name = prefix + "_" + std::to_string(i);
        const DWORD data = DWORD(i);
        const LONG status = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), 4);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return 1;
        std::printf("ok %d\n", i);
        std::fflush(stdout);
    }
    return 0;
}
