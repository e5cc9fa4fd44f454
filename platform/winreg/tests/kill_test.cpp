// Writers killed at random points and writers racing each other: the store must always
// open, pass its integrity check and hold exactly what the writers were told was written.
#include "childprocess.h"
#include "faultscript.h"
#include "registrystore.h"
#include "registrytest.h"
#include "storesnapshot.h"

#include <QFile>

#include <sys/inotify.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <set>

using tav::test::RegistryTest;

namespace {

namespace script = tav::winreg::script;
using Clock = std::chrono::steady_clock;

uint64_t envNumber(const char* name, uint64_t fallback)
{
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? fallback : v.toULongLong();
}

std::string storeFile() { return tav::winreg::storeFilePath().toStdString(); }

off_t fileSize(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// The first difference between two trees, for a failure message.
std::string difference(const script::Tree& want, const script::Tree& got)
{
    for (const auto& [path, values] : want) {
        const auto it = got.find(path);
        if (it == got.end())
            return "key " + path + " missing";
        for (const auto& [name, data] : values) {
            const auto v = it->second.find(name);
            if (v == it->second.end())
                return "value " + path + "|" + name + " missing";
            if (v->second != data)
                return "value " + path + "|" + name + " has " + std::to_string(v->second.size()) + " bytes, want " +
                       std::to_string(data.size());
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
    int checkpointRounds = 0;
    int duringCheckpoint = 0;            // the main file was being written when the kill came
    std::map<std::string, int> inFlight; // "<op kind>: none|partial|applied"
    int reopened = 0;
};

// Watches the store file for writes: in log mode only a checkpoint (or creating the store)
// writes to it.
class FileWatch {
public:
    explicit FileWatch(const std::string& path) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0)
            inotify_add_watch(m_fd, path.c_str(), IN_MODIFY);
    }
    ~FileWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;
    int fd() const { return m_fd; }
    bool modified()
    {
        char buf[4096];
        return m_fd >= 0 && ::read(m_fd, buf, sizeof buf) > 0;
    }

private:
    int m_fd;
};

} // namespace

TEST_F(RegistryTest, WriterKilledAtRandomPointsKeepsEveryAcknowledgedWrite)
{
    const uint64_t seed = envNumber("TAV_FAULT_SEED", 20240611);
    const int kills = int(envNumber("TAV_FAULT_KILLS", 220));
    std::printf("kill test: seed %llu, %d kills (TAV_FAULT_SEED / TAV_FAULT_KILLS to change)\n",
                static_cast<unsigned long long>(seed), kills);
    RecordProperty("seed", std::to_string(seed));
    const auto started = Clock::now();

    script::Rng rng(seed ^ 0x6b696c6cULL);
    script::Tree model; // the store after every acknowledged operation
    int next = 0;       // the first operation the next writer runs
    int64_t firstAckUs = 0;
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
        std::optional<FileWatch> watch;
        if (kind == RoundKind::Checkpoint)
            watch.emplace(storeFile());

        const auto spawned = Clock::now();
        tav::test::ChildProcess writer(
            {TAV_WINREG_WRITER, "script", std::to_string(seed), std::to_string(next), "1000000"});
        ASSERT_TRUE(writer.started());
        int acked = next - 1;
        auto take = [&](const std::string& line) {
            if (line.rfind("ok ", 0) != 0)
                return;
            const int n = std::stoi(line.substr(3));
            EXPECT_EQ(n, acked + 1) << "acknowledgements out of order";
            acked = n;
            if (round == 0 && firstAckUs == 0)
                firstAckUs =
                    std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - spawned).count();
        };
        auto readOne = [&]() {
            const auto line = writer.readLine(30000);
            if (line)
                take(*line);
            return line.has_value();
        };

        if (kind == RoundKind::Creation && round > 0) {
            // Anywhere from process start through opening and creating the store to the
            // first write.
            ::usleep(useconds_t(rng.between(0, uint64_t(firstAckUs * 6 / 5))));
        } else if (kind == RoundKind::Checkpoint) {
            // Until the writer starts copying the log into the store file.
            bool hit = false;
            while (!hit && acked - next < 150) {
                pollfd fds[2] = {{writer.stdoutFd(), POLLIN, 0}, {watch->fd(), POLLIN, 0}};
                ASSERT_GT(::poll(fds, 2, 30000), 0) << "writer stalled at operation " << acked + 1;
                if (fds[1].revents & POLLIN)
                    hit = watch->modified();
                if (fds[0].revents & (POLLIN | POLLHUP)) {
                    ASSERT_TRUE(writer.fill()) << "writer ended: " << writer.errorOutput();
                    while (auto line = writer.takeLine())
                        take(*line);
                }
            }
            ++stats.checkpointRounds;
            if (hit) {
                ::usleep(useconds_t(rng.between(0, 1500)));
                ++stats.duringCheckpoint;
            }
        } else {
            const int target = round == 0 ? 1 : int(rng.between(0, 30));
            while (acked - next + 1 < target)
                ASSERT_TRUE(readOne()) << "writer stopped early: " << writer.errorOutput();
            // Half of the kills soon after an acknowledgement, where the short operations run.
            ::usleep(useconds_t(rng.between(0, 1) ? rng.between(0, 400) : rng.between(0, 6000)));
        }
        writer.kill();
        const int status = writer.wait();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "writer ended on its own (status " << status << "): " << writer.errorOutput();
        ++stats.kills;
        // Lines written before the kill but not yet read are acknowledged too.
        for (const auto& line : writer.drainLines())
            take(line);

        if (kind == RoundKind::Creation) {
            const off_t db = fileSize(storeFile()), wal = fileSize(storeFile() + "-wal");
            stats.creation[db < 0     ? "no store file"
                           : db == 0  ? "empty store file"
                           : wal <= 0 ? "store file, empty log"
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
        ASSERT_NE(applied, SIZE_MAX) << "round " << round << " (seed " << seed << ", operations " << next << ".."
                                     << acked << " acknowledged): store differs from the acknowledged writes: "
                                     << difference(model, actual);
        stats.inFlight[std::string(script::opKindName(inFlight.kind)) + ": " +
                       (applied == 0 ? "none" : applied == inFlight.steps.size() ? "applied" : "partial")]++;
        ASSERT_EQ(tav::test::integrityCheck(storeFile()), "ok") << "round " << round;
        next = acked + 1;
    }

    // Still writable afterwards.
    EXPECT_NE(create(HKEY_CURRENT_USER, "Software\\AfterKills"), nullptr);

    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("kill test: %d kills, %d acknowledged operations verified, %.1f s; store reopened after %d kills\n",
                stats.kills, stats.acknowledged, seconds, stats.reopened);
    std::printf("  kills while the writer was copying the log into the store: %d of %d aimed\n",
                stats.duringCheckpoint, stats.checkpointRounds);
    for (const auto& [what, n] : stats.creation)
        std::printf("  creation round: %s: %d\n", what.c_str(), n);
    for (const auto& [what, n] : stats.inFlight)
        std::printf("  operation in flight, %s: %d\n", what.c_str(), n);
    EXPECT_GE(stats.kills, kills);
    EXPECT_GT(stats.duringCheckpoint, 0) << "no kill landed in a checkpoint";
}

namespace {

struct RaceCase {
    const char* name;
    int processes;
    int rounds;
};

// Whether worker round r's subkey and value are still there at the end (see worker() in
// winreg_writer.cpp: round r + 1 removes them unless r is a multiple of three).
bool kept(int r, int rounds) { return r + 1 >= rounds || r % 3 == 0; }

DWORD numberAt(HKEY key, const char* name)
{
    DWORD value = 0, size = 4, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return DWORD(-1);
    return value;
}

} // namespace

TEST_F(RegistryTest, ProcessesWritingAndDeletingAtOnceLoseNoUpdate)
{
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
        ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Conc\\Shared", KEY_READ, &shared), ERROR_SUCCESS);
        // Read-modify-write inside a store transaction: no increment lost.
        EXPECT_EQ(numberAt(shared, "counter"), DWORD(c.processes * c.rounds));

        std::set<std::string> wantValues{"counter"}, wantKeys{"Common"};
        for (int id = 0; id < c.processes; ++id) {
            const std::string me = std::to_string(id);
            wantValues.insert("w" + me);
            EXPECT_EQ(numberAt(shared, ("w" + me).c_str()), DWORD(c.rounds - 1)) << "process " << id;
            for (int r = 0; r < c.rounds; ++r) {
                if (!kept(r, c.rounds))
                    continue;
                wantValues.insert("w" + me + "_" + std::to_string(r));
                wantKeys.insert("P" + me + "_" + std::to_string(r));
                EXPECT_EQ(numberAt(shared, ("w" + me + "_" + std::to_string(r)).c_str()), DWORD(r));
                HKEY own = nullptr;
                ASSERT_EQ(open(shared, ("P" + me + "_" + std::to_string(r)).c_str(), KEY_READ, &own), ERROR_SUCCESS)
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
        EXPECT_EQ(subkeys(deep), (std::vector<std::string>{"Chain0", "Chain1", "Chain2", "Chain3", "Chain4"}));
        EXPECT_EQ(tav::test::integrityCheck(storeFile()), "ok");
    }
}
