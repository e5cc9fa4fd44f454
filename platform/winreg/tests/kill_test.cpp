// Writers killed at random points and writers racing each other: the store must always
// open, pass its integrity check and hold exactly what the writers were told was written.
#include "childprocess.h"
#include "faultscript.h"
#include "registrystore.h"
#include "registrytest.h"
#include "storesnapshot.h"

#include <QFile>

#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <sys/stat.h>

using tav::test::RegistryTest;

namespace {

namespace script = tav::winreg::script;
using Clock = std::chrono::steady_clock;

uint64_t envNumber(const char* name, uint64_t fallback) {
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? fallback : v.toULongLong();
}

std::string storeFile() {
    return tav::winreg::storeFilePath().toStdString();
}

off_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// The first difference between two trees, for a failure message.
std::string difference(const script::Tree& want, const script::Tree& got) {
    for (const auto& [path, values] : want) {
        const auto it = got.find(path);
        if (it == got.end())
            return "key " + path + " missing";
        for (const auto& [name, data] : values) {
            const auto v = it->second.find(name);
            if (v == it->second.end())
                return "value " + path + "|" + name + " missing";
            if (v->second != data)
                return "value " + path + "|" + name + " has " + std::to_string(v->second.size()) +
                       " bytes, want " + std::to_string(data.size());
        }
        for (const auto& [name, data] : it->second)
            if (!values.count(name))
                return "unexpected value " + path + "|" + name;
    }
    for (const auto& [path, values] : got)
        if (!want.count(path))
            return "unexpected key " + path;
    return "none";
}

enum class RoundKind { Creation, Checkpoint, Ordinary };

struct KillStats {
    int kills = 0;
    int acknowledged = 0;
    std::map<std::string, int> creation; // store state found after a kill while creating it
    int checkpointRounds = 0;            // the writer died writing the store file
    std::map<std::string, int> inFlight; // "<op kind>: none|partial|applied"
    int reopened = 0;
};

} // namespace

// Each round a writer runs the write script from where the last one stopped and kills itself
// just before a write chosen from the seed: while it creates the store, while it copies its
// log into the store file (a checkpoint: in log mode nothing else writes that file), or
// anywhere in its log traffic. After each kill the store must open, pass its integrity check
// and hold the acknowledged operations, with none, some or all steps of the one in flight.
TEST_F(RegistryTest, WriterKilledAtRandomPointsKeepsEveryAcknowledgedWrite) {
    const uint64_t seed = envNumber("TAV_FAULT_SEED", 20240611);
    const int kills = int(envNumber("TAV_FAULT_KILLS", 220));
    std::printf("kill test: seed %llu, %d kills (TAV_FAULT_SEED / TAV_FAULT_KILLS to change)\n",
                static_cast<unsigned long long>(seed), kills);
    RecordProperty("seed", std::to_string(seed));
    const auto started = Clock::now();

    script::Rng rng(seed ^ 0x6b696c6cULL);
    script::Tree model; // the store after every acknowledged operation
    int next = 0;       // the first operation the next writer runs
    KillStats stats;

    for (int round = 0; round < kills; ++round) {
        const uint64_t pick = rng.between(0, 99);
        const RoundKind kind = round == 0 || pick < 10 ? RoundKind::Creation
                               : pick < 35             ? RoundKind::Checkpoint
                                                       : RoundKind::Ordinary;
        // Most rounds keep this process's connection open, so the log grows across rounds
        // and checkpoints happen in the writer; the others make the next open recover the
        // log of a killed writer on its own.
        const bool reopen = kind == RoundKind::Creation || rng.between(0, 2) == 0;
        if (reopen) {
            tav::winreg::resetStoreForTests();
            ++stats.reopened;
        }
        if (kind == RoundKind::Creation) {
            for (const char* suffix : {"", "-wal", "-shm"})
                QFile::remove(tav::winreg::storeFilePath() + suffix);
            model.clear();
        }
        // The kill: in a checkpoint, at one of the first pages it copies into the store file;
        // otherwise at one of the first writes of an operation a few past the last one
        // acknowledged (of the first, in a creation round, whose writes start with creating the
        // store).
        std::vector<std::string> args{TAV_WINREG_WRITER, "script", std::to_string(seed),
                                      std::to_string(next), "20000"};
        if (kind == RoundKind::Checkpoint) {
            args.insert(args.end(), {"store", std::to_string(rng.between(1, 4))});
        } else {
            const uint64_t op =
                kind == RoundKind::Creation ? uint64_t(next) : next + rng.between(0, 30);
            const uint64_t write =
                kind == RoundKind::Creation ? rng.between(1, 24) : rng.between(1, 4);
            args.insert(args.end(), {"op", std::to_string(op), std::to_string(write)});
        }
        // A bounded script: a writer that never reaches its write ends on its own and fails.
        tav::test::ChildProcess writer(args);
        ASSERT_TRUE(writer.started());
        int acked = next - 1;
        std::string killedAt;
        auto take = [&](const std::string& line) {
            if (line.rfind("killed before ", 0) == 0) {
                killedAt = line;
                return;
            }
            if (line.rfind("ok ", 0) != 0)
                return;
            const int n = std::stoi(line.substr(3));
            EXPECT_EQ(n, acked + 1) << "acknowledgements out of order";
            acked = n;
        };
        while (const auto line = writer.readLine(60000))
            take(*line);
        const int status = writer.wait();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "round " << round << ": the writer did not reach its write (status " << status
            << "): " << writer.errorOutput();
        ++stats.kills;
        for (const auto& line : writer.drainLines())
            take(line);
        ASSERT_FALSE(killedAt.empty())
            << "round " << round << ": the writer died without saying where";
        if (kind == RoundKind::Checkpoint)
            ++stats.checkpointRounds;

        if (kind == RoundKind::Creation) {
            const off_t db = fileSize(storeFile()), wal = fileSize(storeFile() + "-wal");
            stats.creation[db < 0         ? "no store file"
                           : db == 0      ? "empty store file"
                           : wal <= 0     ? "store file, empty log"
                           : acked < next ? "store created, no write acknowledged"
                                          : "writes acknowledged"]++;
        }

        for (int i = next; i <= acked; ++i)
            for (const auto& step : script::opAt(seed, i).steps)
                script::apply(model, step);
        stats.acknowledged += acked - next + 1;

        script::Tree actual;
        const LONG read = tav::test::snapshot(script::kRoot, actual);
        ASSERT_EQ(read, ERROR_SUCCESS) << "round " << round << ": store unreadable after the kill";
        // The operation in flight may have committed none, some or all of its steps.
        const script::Op inFlight = script::opAt(seed, acked + 1);
        script::Tree candidate = model;
        size_t applied = candidate == actual ? 0 : SIZE_MAX;
        for (size_t s = 0; s < inFlight.steps.size() && applied == SIZE_MAX; ++s) {
            script::apply(candidate, inFlight.steps[s]);
            if (candidate == actual)
                applied = s + 1;
        }
        ASSERT_NE(applied, SIZE_MAX)
            << "round " << round << " (seed " << seed << ", operations " << next << ".." << acked
            << " acknowledged, " << killedAt
            << "): store differs from the acknowledged writes: " << difference(model, actual);
        stats.inFlight[std::string(script::opKindName(inFlight.kind)) + ": " +
                       (applied == 0                       ? "none"
                        : applied == inFlight.steps.size() ? "applied"
                                                           : "partial")]++;
        ASSERT_EQ(tav::test::integrityCheck(storeFile()), "ok") << "round " << round;
        next = acked + 1;
    }

    // Still writable afterwards.
    EXPECT_NE(create(HKEY_CURRENT_USER, "Software\\AfterKills"), nullptr);

    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("kill test: %d kills, %d acknowledged operations verified, %.1f s; store reopened "
                "after %d kills\n",
                stats.kills, stats.acknowledged, seconds, stats.reopened);
    std::printf("  kills while the writer was copying the log into the store: %d\n",
                stats.checkpointRounds);
    for (const auto& [what, n] : stats.creation)
        std::printf("  creation round: %s: %d\n", what.c_str(), n);
    for (const auto& [what, n] : stats.inFlight)
        std::printf("  operation in flight, %s: %d\n", what.c_str(), n);
    // The rounds covered what they are for: kills inside checkpoints, and writers that got
    // far enough to have acknowledged writes to lose.
    EXPECT_GT(stats.checkpointRounds, 0) << "no kill landed in a checkpoint";
    EXPECT_GT(stats.acknowledged, kills) << "the writers were killed before they acknowledged much";
}

namespace {

struct RaceCase {
    const char* name;
    int processes;
    int rounds;
};

// Whether worker round r's subkey and value are still there at the end (see worker() in
// winreg_writer.cpp: round r + 1 removes them unless r is a multiple of three).
bool kept(int r, int rounds) {
    return r + 1 >= rounds || r % 3 == 0;
}

DWORD numberAt(HKEY key, const char* name) {
    DWORD value = 0, size = 4, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return DWORD(-1);
    return value;
}

} // namespace

TEST_F(RegistryTest, ProcessesWritingAndDeletingAtOnceLoseNoUpdate) {
    const RaceCase cases[] = {{"two processes", 2, 150}, {"four processes", 4, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = m_dir.path() + "/" + QString::number(c.processes);
        qputenv("TAV_REGISTRY_DIR", dir.toLocal8Bit());
        tav::winreg::resetStoreForTests();

        const auto started = Clock::now();
        std::vector<std::unique_ptr<tav::test::ChildProcess>> workers;
        for (int id = 0; id < c.processes; ++id) {
            workers.push_back(std::make_unique<tav::test::ChildProcess>(std::vector<std::string>{
                TAV_WINREG_WRITER, "worker", std::to_string(id), std::to_string(c.rounds)}));
            ASSERT_TRUE(workers.back()->started());
        }
        for (auto& w : workers) {
            int acks = 0;
            while (const auto line = w->readLine(120000))
                acks += line->rfind("ok ", 0) == 0;
            const int status = w->wait();
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << "status " << status << ": " << w->errorOutput();
            EXPECT_EQ(acks, c.rounds);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        std::printf("%s x %d rounds: %.1f s\n", c.name, c.rounds, seconds);

        HKEY shared = nullptr;
        ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Conc\\Shared", KEY_READ, &shared),
                  ERROR_SUCCESS);
        // Read-modify-write inside a store transaction: no increment lost.
        EXPECT_EQ(numberAt(shared, "counter"), DWORD(c.processes * c.rounds));

        std::set<std::string> wantValues{"counter"}, wantKeys{"Common"};
        for (int id = 0; id < c.processes; ++id) {
            const std::string me = std::to_string(id);
            wantValues.insert("w" + me);
            EXPECT_EQ(numberAt(shared, ("w" + me).c_str()), DWORD(c.rounds - 1))
                << "process " << id;
            for (int r = 0; r < c.rounds; ++r) {
                if (!kept(r, c.rounds))
                    continue;
                wantValues.insert("w" + me + "_" + std::to_string(r));
                wantKeys.insert("P" + me + "_" + std::to_string(r));
                EXPECT_EQ(numberAt(shared, ("w" + me + "_" + std::to_string(r)).c_str()), DWORD(r));
                HKEY own = nullptr;
                ASSERT_EQ(
                    open(shared, ("P" + me + "_" + std::to_string(r)).c_str(), KEY_READ, &own),
                    ERROR_SUCCESS)
                    << "process " << id << " round " << r;
                EXPECT_EQ(numberAt(own, "n"), DWORD(r));
            }
        }
        const auto values = valueNames(shared);
        EXPECT_EQ(std::set<std::string>(values.begin(), values.end()), wantValues);
        EXPECT_EQ(values.size(), wantValues.size()) << "a value listed twice";
        const auto keys = subkeys(shared);
        EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()), wantKeys);
        EXPECT_EQ(keys.size(), wantKeys.size()) << "a key listed twice";

        HKEY deep = nullptr;
        ASSERT_EQ(open(shared, "Common\\Deep", KEY_READ, &deep), ERROR_SUCCESS);
        EXPECT_EQ(subkeys(deep),
                  (std::vector<std::string>{"Chain0", "Chain1", "Chain2", "Chain3", "Chain4"}));
        EXPECT_EQ(tav::test::integrityCheck(storeFile()), "ok");
    }
}
