// Helper process for the store's concurrency, crash and fault tests. Modes:
//   PREFIX COUNT            COUNT values PREFIX_<i> under HKEY_CURRENT_USER\Software\Race
//   script SEED FIRST COUNT [op K N | store N]
//                           operations FIRST.. of the write script (faultscript.h); with
//                           "op K N" the process kills itself just before the N-th file write
//                           from the start of operation K, with "store N" just before its N-th
//                           write to the store file (FaultVfs)
//   worker ID ROUNDS        own keys, shared-key values and a shared counter (see worker())
//   fill SIZE COUNT         values of SIZE bytes until a write fails, then probes and retries
//   dump ROOT               every key and value under HKEY_CURRENT_USER\ROOT
//   probe                   one call of each kind on Software\Probe, with its status
// Each mode prints "ok <i>" after each write that returned success; a status that the mode
// does not expect is reported on stderr and ends the process with exit code 1.
#include "faultscript.h"
#include "faultvfs.h"
#include "storetransaction.h"
#include "winreg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <sys/resource.h>
#include <utility>

namespace {

namespace script = tav::winreg::script;

void ack(int i) {
    std::printf("ok %d\n", i);
    std::fflush(stdout);
}

[[noreturn]] void fail(const std::string& what, LONG status) {
    std::fprintf(stderr, "%s: status %d\n", what.c_str(), int(status));
    std::exit(1);
}

bool oneOf(LONG status, std::initializer_list<LONG> accepted) {
    for (LONG a : accepted)
        if (status == a)
            return true;
    return false;
}

LONG setBytes(HKEY key, const std::string& name, DWORD type, const std::string& data) {
    return RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          DWORD(data.size()));
}

LONG setNumber(HKEY key, const std::string& name, DWORD value) {
    return RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          4);
}

LONG createKey(HKEY root, const std::string& path, HKEY* out, DWORD* disposition = nullptr) {
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, out,
                           disposition);
}

int race(const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i) {
        HKEY key = nullptr;
        if (const LONG s = createKey(HKEY_CURRENT_USER, "Software\\Race", &key))
            fail("create Software\\Race", s);
        const LONG status = setNumber(key, prefix + "_" + std::to_string(i), DWORD(i));
        RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            fail("set " + prefix + "_" + std::to_string(i), status);
        ack(i);
    }
    return 0;
}

// Runs one step of the write script; each step is one registry call.
void runStep(const script::Step& step, HKEY& open) {
    const std::string full = std::string(script::kRoot) + "\\" + step.path;
    switch (step.kind) {
    case script::StepKind::CreateKey:
        if (open)
            RegCloseKey(open);
        open = nullptr;
        if (const LONG s = createKey(HKEY_CURRENT_USER, full, &open))
            fail("create " + full, s);
        return;
    case script::StepKind::SetValue:
        if (const LONG s = setBytes(open, step.name, REG_BINARY, step.data))
            fail("set " + full + " " + step.name, s);
        return;
    case script::StepKind::DeleteValue: {
        HKEY key = nullptr;
        LONG s = RegOpenKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, KEY_ALL_ACCESS, &key);
        if (s == ERROR_SUCCESS) {
            s = RegDeleteValueA(key, step.name.c_str());
            RegCloseKey(key);
        }
        if (!oneOf(s, {ERROR_SUCCESS, ERROR_FILE_NOT_FOUND}))
            fail("delete value " + full + " " + step.name, s);
        return;
    }
    case script::StepKind::DeleteKey: {
        const LONG s = RegDeleteKeyA(HKEY_CURRENT_USER, full.c_str());
        if (!oneOf(s, {ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}))
            fail("delete key " + full, s);
        return;
    }
    }
}

// `killAt`: the operation and the write from its start before which the process kills itself.
int runScript(uint64_t seed, int first, int count, tav::test::FaultVfs* vfs = nullptr,
              std::pair<int, int> killAt = {}) {
    HKEY open = nullptr;
    for (int i = first; i < first + count; ++i) {
        if (vfs && i == killAt.first)
            vfs->killBeforeWrite(killAt.second, false);
        for (const auto& step : script::opAt(seed, i).steps)
            runStep(step, open);
        ack(i);
    }
    if (open)
        RegCloseKey(open);
    return 0;
}

// One of several processes sharing Software\Conc\Shared. Round r:
//  - creates its own subkey P<id>_<r> (value n = r) and value w<id>_<r>, and removes the
//    previous round's pair unless the previous round is a multiple of three;
//  - sets w<id> = r and creates the common chain Common\Deep\Chain<r % 5>;
//  - creates Gone<r> and deletes it (another process may have deleted it first);
//  - adds one to the DWORD "counter" inside a StoreTransaction.
int worker(int id, int rounds) {
    const std::string shared = "Software\\Conc\\Shared";
    const std::string me = std::to_string(id);
    for (int r = 0; r < rounds; ++r) {
        HKEY key = nullptr;
        if (const LONG s = createKey(HKEY_CURRENT_USER, shared, &key))
            fail("create shared", s);
        HKEY own = nullptr;
        const std::string ownName = "P" + me + "_" + std::to_string(r);
        if (const LONG s = createKey(key, ownName, &own))
            fail("create " + ownName, s);
        if (const LONG s = setNumber(own, "n", DWORD(r)))
            fail("set n in " + ownName, s);
        RegCloseKey(own);
        if (const LONG s = setNumber(key, "w" + me + "_" + std::to_string(r), DWORD(r)))
            fail("set own value", s);
        if (r > 0 && (r - 1) % 3 != 0) {
            const std::string prev = std::to_string(r - 1);
            if (const LONG s = RegDeleteKeyA(key, ("P" + me + "_" + prev).c_str()))
                fail("delete previous subkey", s);
            if (const LONG s = RegDeleteValueA(key, ("w" + me + "_" + prev).c_str()))
                fail("delete previous value", s);
        }
        if (const LONG s = setNumber(key, "w" + me, DWORD(r)))
            fail("set w" + me, s);
        HKEY chain = nullptr;
        if (const LONG s = createKey(key, "Common\\Deep\\Chain" + std::to_string(r % 5), &chain))
            fail("create chain", s);
        RegCloseKey(chain);
        const std::string gone = "Gone" + std::to_string(r);
        HKEY g = nullptr;
        if (const LONG s = createKey(key, gone, &g))
            fail("create " + gone, s);
        RegCloseKey(g);
        if (const LONG s = RegDeleteKeyA(key, gone.c_str());
            !oneOf(s, {ERROR_SUCCESS, ERROR_FILE_NOT_FOUND}))
            fail("delete " + gone, s);
        {
            tav::winreg::StoreTransaction t;
            if (t.status() != ERROR_SUCCESS)
                fail("begin counter", t.status());
            DWORD value = 0, size = 4, type = 0;
            const LONG q = RegQueryValueExA(key, "counter", nullptr, &type,
                                            reinterpret_cast<BYTE*>(&value), &size);
            if (!oneOf(q, {ERROR_SUCCESS, ERROR_FILE_NOT_FOUND}))
                fail("read counter", q);
            if (q == ERROR_FILE_NOT_FOUND)
                value = 0;
            if (const LONG s = setNumber(key, "counter", value + 1))
                fail("set counter", s);
            if (const LONG s = t.commit())
                fail("commit counter", s);
        }
        RegCloseKey(key);
        ack(r);
    }
    return 0;
}

// Writes SIZE-byte values fill_<i> under Software\Full until one fails. Then: a failing
// write is retried in other forms (all must fail cleanly, none may crash), earlier data
// must still read back, and once the file-size limit is lifted a write must succeed.
int fill(size_t size, int count) {
    HKEY key = nullptr;
    if (const LONG s = createKey(HKEY_CURRENT_USER, "Software\\Full", &key))
        fail("create Software\\Full", s);
    int i = 0;
    LONG status = ERROR_SUCCESS;
    for (; i < count; ++i) {
        status = setBytes(key, "fill_" + std::to_string(i), REG_BINARY,
                          std::string(size, char('a' + i % 26)));
        if (status != ERROR_SUCCESS)
            break;
        ack(i);
    }
    std::printf("fail %d %d\n", i, int(status));
    HKEY sub = nullptr;
    std::printf("create %d\n", int(createKey(key, "Made\\Deeper", &sub)));
    if (sub)
        RegCloseKey(sub);
    std::printf("again %d\n", int(setBytes(key, "again", REG_BINARY, std::string(size, 'z'))));
    DWORD got = 0;
    std::printf("read %d\n", int(RegQueryValueExA(key, "seed_0", nullptr, nullptr, nullptr, &got)));
    rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    unlimited.rlim_cur = unlimited.rlim_max;
    setrlimit(RLIMIT_FSIZE, &unlimited);
    std::printf("lifted %d\n",
                int(setBytes(key, "after_lift", REG_BINARY, std::string(size, 'L'))));
    std::fflush(stdout);
    RegCloseKey(key);
    return 0;
}

uint32_t fnv(const std::string& data) {
    uint32_t h = 2166136261u;
    for (unsigned char c : data)
        h = (h ^ c) * 16777619u;
    return h;
}

// Prints "K <path>" per key and "V <path>|<name>|<type>|<size>|<hash>" per value, depth first.
void dumpKey(HKEY key, const std::string& path) {
    std::printf("K %s\n", path.c_str());
    char name[300];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name, type = 0, size = 0;
        const LONG s = RegEnumValueA(key, i, name, &len, nullptr, &type, nullptr, &size);
        if (s == ERROR_NO_MORE_ITEMS)
            break;
        if (s != ERROR_SUCCESS)
            fail("enumerate values of " + path, s);
        std::string data(size, '\0');
        if (const LONG q = RegQueryValueExA(key, name, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data.data()), &size))
            fail("read " + path + " " + name, q);
        std::printf("V %s|%s|%u|%u|%08x\n", path.c_str(), name, unsigned(type), unsigned(size),
                    unsigned(fnv(data)));
    }
    for (DWORD i = 0;; ++i) {
        const LONG s = RegEnumKeyA(key, i, name, sizeof name);
        if (s == ERROR_NO_MORE_ITEMS)
            break;
        if (s != ERROR_SUCCESS)
            fail("enumerate keys of " + path, s);
        HKEY child = nullptr;
        if (const LONG o = RegOpenKeyExA(key, name, 0, KEY_READ, &child))
            fail("open " + path + "\\" + name, o);
        dumpKey(child, path.empty() ? std::string(name) : path + "\\" + name);
        RegCloseKey(child);
    }
}

int dump(const std::string& root) {
    HKEY key = nullptr;
    const LONG s = RegOpenKeyExA(HKEY_CURRENT_USER, root.c_str(), 0, KEY_READ, &key);
    if (s != ERROR_SUCCESS) {
        std::printf("open %d\n", int(s));
        return 0;
    }
    dumpKey(key, std::string());
    RegCloseKey(key);
    std::fflush(stdout);
    return 0;
}

// One call of each kind against Software\Probe, each printed as "<call> <status>".
int probe() {
    HKEY key = nullptr;
    LONG s = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Probe", 0, KEY_ALL_ACCESS, &key);
    std::printf("open %d\n", int(s));
    DWORD size = 0;
    std::printf("read %d\n",
                int(key ? RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size) : s));
    char name[64];
    std::printf("enum %d\n", int(RegEnumKeyA(HKEY_CURRENT_USER, 0, name, sizeof name)));
    std::printf("set %d\n", int(setNumber(key ? key : HKEY_CURRENT_USER, "probe", 1)));
    HKEY made = nullptr;
    std::printf("create %d\n", int(createKey(HKEY_CURRENT_USER, "Software\\Probe\\Made", &made)));
    if (made)
        RegCloseKey(made);
    std::printf("deletevalue %d\n", int(key ? RegDeleteValueA(key, "v") : s));
    std::printf("deletekey %d\n", int(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Probe\\Leaf")));
    if (key)
        RegCloseKey(key);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "script" && argc == 5)
        return runScript(std::strtoull(argv[2], nullptr, 10), std::atoi(argv[3]),
                         std::atoi(argv[4]));
    if (mode == "script" && argc == 7 && std::strcmp(argv[5], "store") == 0) {
        tav::test::FaultVfs vfs;
        vfs.killBeforeWrite(std::atoi(argv[6]), true);
        return runScript(std::strtoull(argv[2], nullptr, 10), std::atoi(argv[3]),
                         std::atoi(argv[4]));
    }
    if (mode == "script" && argc == 8 && std::strcmp(argv[5], "op") == 0) {
        tav::test::FaultVfs vfs;
        return runScript(std::strtoull(argv[2], nullptr, 10), std::atoi(argv[3]),
                         std::atoi(argv[4]), &vfs, {std::atoi(argv[6]), std::atoi(argv[7])});
    }
    if (mode == "worker" && argc == 4)
        return worker(std::atoi(argv[2]), std::atoi(argv[3]));
    if (mode == "fill" && argc == 4)
        return fill(size_t(std::atol(argv[2])), std::atoi(argv[3]));
    if (mode == "dump" && argc == 3)
        return dump(argv[2]);
    if (mode == "probe" && argc == 2)
        return probe();
    if (argc == 3)
        return race(argv[1], std::atoi(argv[2]));
    std::fprintf(stderr, "usage: see the head of winreg_writer.cpp\n");
    return 2;
}
