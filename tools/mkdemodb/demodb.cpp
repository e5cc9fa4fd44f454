#include "demodb.h"

#include "sqlitestmt.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <set>
#include <sqlite3.h>
#include <vector>

namespace tav::demodb {

namespace {

// A small fixed generator (xorshift64*), so the content never depends on the library.
class Random {
  public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1DULL;
    }
    int below(int n) { return static_cast<int>(next() % uint64_t(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    template <class T, size_t N> const T& pick(const std::array<T, N>& items) {
        return items[size_t(below(int(N)))];
    }

  private:
    uint64_t m_state;
};

constexpr std::array<const char*, 24> Heads = {
    "Al",  "Bren", "Cor", "Dal", "Ev",   "Fen", "Gal", "Har", "Iv",  "Jor", "Kel", "Lum",
    "Mar", "Nor",  "Or",  "Pel", "Quin", "Ros", "Sol", "Tam", "Val", "Wex", "Yar", "Zel"};
constexpr std::array<const char*, 10> Tails = {"ava", "ton",   "ric", "ex",   "ora",
                                               "wyn", "sonic", "tek", "mont", "vox"};
constexpr std::array<const char*, 10> Trades = {"Audio",       "Acoustics", "Video", "Systems",
                                                "Electronics", "Pro",       "Labs",  "Broadcast",
                                                "Media",       "Sound"};
constexpr std::array<const char*, 12> Countries = {"USA",         "Canada",    "UK",     "Germany",
                                                   "Denmark",     "Japan",     "Italy",  "France",
                                                   "Netherlands", "Australia", "Sweden", "Taiwan"};
constexpr std::array<const char*, 12> Cities = {
    "Springfield", "Riverton", "Lakeside",  "Fairview", "Kingsport", "Millbrook",
    "Ashford",     "Bayview",  "Cedarvale", "Eastwick", "Northam",   "Westfield"};

struct Category {
    const char* name;
    const char* discipline;
    const char* series; // model number prefix
    int rackUnits;      // 0: not rack mounted
    int minWatts, maxWatts;
    int minPrice, maxPrice;
};

constexpr std::array<Category, 27> Categories = {{
    {"Power Amplifier", "Audio", "PA", 2, 300, 2400, 900, 6500},
    {"Mixing Console", "Audio", "MX", 0, 60, 400, 1500, 48000},
    {"Digital Signal Processor", "Audio", "DSP", 1, 25, 120, 1200, 9000},
    {"Wireless Microphone", "Audio", "WM", 1, 10, 30, 400, 3200},
    {"Loudspeaker", "Audio", "LS", 0, 0, 1200, 350, 7800},
    {"Subwoofer", "Audio", "SW", 0, 0, 3000, 700, 9500},
    {"Ceiling Speaker", "Audio", "CS", 0, 0, 60, 90, 600},
    {"Audio Interface", "Audio", "AI", 1, 15, 60, 250, 4200},
    {"Graphic Equalizer", "Audio", "EQ", 2, 15, 40, 300, 1800},
    {"Compressor Limiter", "Audio", "CL", 1, 15, 40, 300, 2600},
    {"Stage Monitor", "Audio", "SM", 0, 200, 1000, 450, 2800},
    {"Headphone Amplifier", "Audio", "HA", 1, 10, 40, 150, 1200},
    {"Projector", "Video", "PJ", 0, 250, 1800, 1500, 65000},
    {"Video Switcher", "Video", "VS", 1, 30, 250, 900, 28000},
    {"Video Scaler", "Video", "SC", 1, 20, 80, 700, 6000},
    {"Display Panel", "Video", "DP", 0, 90, 600, 600, 18000},
    {"PTZ Camera", "Video", "PTZ", 0, 12, 60, 1100, 14000},
    {"Video Recorder", "Video", "VR", 1, 30, 150, 800, 9000},
    {"Matrix Switch", "Video", "MS", 2, 60, 400, 2500, 36000},
    {"HDMI Extender", "Video", "HX", 0, 5, 20, 120, 1500},
    {"Media Player", "Video", "MP", 1, 10, 60, 200, 3500},
    {"LED Wall Processor", "Video", "LP", 2, 80, 300, 3000, 42000},
    {"Control Processor", "Control", "CP", 1, 15, 60, 900, 7500},
    {"Touch Panel", "Control", "TP", 0, 8, 25, 500, 5500},
    {"Network Switch", "Control", "NS", 1, 30, 600, 300, 9000},
    {"Power Sequencer", "Control", "PS", 1, 5, 20, 250, 1400},
    {"Rack Enclosure", "Control", "RK", 0, 0, 0, 200, 3800},
}};

constexpr std::array<const char*, 20> Rooms = {
    "Ballroom A",    "Ballroom B", "Main Hall",    "Studio 1",     "Studio 2",
    "Boardroom",     "Lobby",      "Chapel",       "Lecture Hall", "Gymnasium",
    "Atrium",        "Theatre",    "Control Room", "Green Room",   "Foyer",
    "Training Room", "Cafeteria",  "Patio",        "Gallery",      "Auditorium"};
constexpr std::array<const char*, 20> Feeds = {
    "Main Left",     "Main Right",         "Center Fill",      "Front Fill",     "Subwoofer",
    "Delay Ring",    "Ceiling Zone",       "Stage Monitor",    "Record Feed",    "Broadcast Feed",
    "Projector",     "Confidence Display", "Overflow Display", "Hearing Assist", "Press Feed",
    "Lobby Display", "Camera Return",      "Program Out",      "Preview Out",    "Stream Encoder"};
struct Signal {
    const char* type;
    const char* connector;
};
constexpr std::array<Signal, 8> Signals = {{{"Analog Audio", "XLR"},
                                            {"Analog Audio", "TRS"},
                                            {"Speaker Level", "Speakon"},
                                            {"AES3", "XLR"},
                                            {"Networked Audio", "RJ45"},
                                            {"HDMI", "HDMI"},
                                            {"SDI", "BNC"},
                                            {"HDBaseT", "RJ45"}}};

std::string fixed2(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

class Writer {
  public:
    explicit Writer(const std::string& path) {
        if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK)
            fail("cannot create " + path);
    }
    ~Writer() { sqlite3_close(m_db); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    const std::string& error() const { return m_error; }

    void exec(const char* sql) {
        if (!m_error.empty())
            return;
        char* err = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK)
            fail(err ? err : "statement failed");
        sqlite3_free(err);
    }

    // Inserts one row; values are bound in order, text as text, numbers as numbers.
    struct Value {
        enum { Int, Real, Text } kind;
        int64_t i = 0;
        double d = 0;
        std::string s;
    };
    static Value i(int64_t v) { return {Value::Int, v, 0, {}}; }
    static Value d(double v) { return {Value::Real, 0, v, {}}; }
    static Value t(std::string v) { return {Value::Text, 0, 0, std::move(v)}; }

    void insert(const char* sql, const std::vector<Value>& values) {
        if (!m_error.empty())
            return;
        const SqliteStmt stmt(m_db, sql);
        if (stmt.rc() != SQLITE_OK)
            return fail(sqlite3_errmsg(m_db));
        sqlite3_stmt* st = stmt.get();
        for (size_t k = 0; k < values.size(); ++k) {
            const int at = int(k) + 1;
            const Value& v = values[k];
            if (v.kind == Value::Int)
                sqlite3_bind_int64(st, at, v.i);
            else if (v.kind == Value::Real)
                sqlite3_bind_double(st, at, v.d);
            else
                sqlite3_bind_text(st, at, v.s.c_str(), int(v.s.size()), SQLITE_TRANSIENT);
        }
        if (sqlite3_step(st) != SQLITE_DONE)
            fail(sqlite3_errmsg(m_db));
    }

  private:
    void fail(const std::string& why) {
        if (m_error.empty())
            m_error = why;
    }
    sqlite3* m_db = nullptr;
    std::string m_error;
};

const char* const Schema = R"sql(
PRAGMA journal_mode=DELETE;
PRAGMA page_size=4096;
CREATE TABLE tblmanufacturers(
    ManufacturerID INTEGER PRIMARY KEY,
    ManufacturerName TEXT COLLATE NOCASE NOT NULL UNIQUE,
    Country TEXT COLLATE NOCASE,
    City TEXT COLLATE NOCASE,
    Website TEXT COLLATE NOCASE);
CREATE TABLE tblcategories(
    CategoryID INTEGER PRIMARY KEY,
    CategoryName TEXT COLLATE NOCASE NOT NULL,
    Discipline TEXT COLLATE NOCASE);
CREATE TABLE tblequipment(
    EquipmentID INTEGER PRIMARY KEY,
    EquipmentName TEXT COLLATE NOCASE NOT NULL,
    ModelNumber TEXT COLLATE NOCASE,
    ManufacturerID INTEGER REFERENCES tblmanufacturers(ManufacturerID),
    CategoryID INTEGER REFERENCES tblcategories(CategoryID),
    RackUnits SMALLINT,
    PowerWatts INTEGER,
    WeightKg REAL,
    ListPrice REAL,
    Discontinued BOOLEAN);
CREATE TABLE tbloutputs(
    OutputID INTEGER PRIMARY KEY,
    Name TEXT COLLATE NOCASE NOT NULL,
    EquipmentID INTEGER REFERENCES tblequipment(EquipmentID),
    SignalType TEXT COLLATE NOCASE,
    Connector TEXT COLLATE NOCASE,
    Channels SMALLINT);
CREATE INDEX idxEquipmentManufacturer ON tblequipment(ManufacturerID);
CREATE VIEW qryequipall AS
    SELECT e.EquipmentID AS EquipmentID, e.EquipmentName AS EquipmentName, e.ModelNumber AS ModelNumber,
           m.ManufacturerName AS ManufacturerName, c.CategoryName AS CategoryName, c.Discipline AS Discipline,
           e.RackUnits AS RackUnits, e.PowerWatts AS PowerWatts, e.WeightKg AS WeightKg,
           e.ListPrice AS ListPrice, e.Discontinued AS Discontinued
    FROM tblequipment e
    LEFT JOIN tblmanufacturers m ON m.ManufacturerID = e.ManufacturerID
    LEFT JOIN tblcategories c ON c.CategoryID = e.CategoryID
    ORDER BY e.EquipmentName;
)sql";

// Brand words and full names of the manufacturers, distinct case-insensitively.
std::vector<std::pair<std::string, std::string>> manufacturers(Random& rnd) {
    std::vector<std::pair<std::string, std::string>> out;
    std::set<std::string> seen;
    while (int(out.size()) < ManufacturerCount) {
        std::string brand = std::string(rnd.pick(Heads)) + rnd.pick(Tails);
        std::string name = brand + " " + rnd.pick(Trades);
        std::string key;
        for (char ch : name)
            key += char(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
        if (!seen.insert(key).second)
            continue;
        if (rnd.below(25) == 0) // a few brands style their names in lower case
            name = key;
        out.emplace_back(brand, name);
    }
    return out;
}

} // namespace

std::string writeDemoDatabase(const std::string& path) {
    const std::string temp = path + ".tmp";
    std::remove(temp.c_str());
    std::remove((temp + "-journal").c_str());
    std::string error;
    {
        Writer w(temp);
        Random rnd(0x7A5E11D0C0FFEEULL);
        w.exec(Schema);
        w.exec("BEGIN");

        const auto makers = manufacturers(rnd);
        for (size_t k = 0; k < makers.size(); ++k) {
            std::string site = "www.";
            for (char ch : makers[k].second)
                site += ch == ' ' ? '-' : char(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
            w.insert("INSERT INTO tblmanufacturers VALUES(?,?,?,?,?)",
                     {Writer::i(int64_t(k) + 1), Writer::t(makers[k].second),
                      Writer::t(rnd.pick(Countries)), Writer::t(rnd.pick(Cities)),
                      Writer::t(site + ".example")});
        }
        for (size_t k = 0; k < Categories.size(); ++k)
            w.insert("INSERT INTO tblcategories VALUES(?,?,?)",
                     {Writer::i(int64_t(k) + 1), Writer::t(Categories[k].name),
                      Writer::t(Categories[k].discipline)});
        for (int k = 1; k <= EquipmentCount; ++k) {
            const int maker = rnd.below(ManufacturerCount);
            const int cat = rnd.below(int(Categories.size()));
            const Category& c = Categories[size_t(cat)];
            const std::string model =
                std::string(c.series) + "-" + std::to_string(rnd.between(1, 99) * 100 + k % 100);
            const double price = rnd.between(c.minPrice * 100, c.maxPrice * 100) / 100.0;
            const double weight = rnd.between(2, 900) / 10.0;
            w.insert("INSERT INTO tblequipment VALUES(?,?,?,?,?,?,?,?,?,?)",
                     {Writer::i(k),
                      Writer::t(makers[size_t(maker)].first + " " + model + " " + c.name),
                      Writer::t(model), Writer::i(maker + 1), Writer::i(cat + 1),
                      Writer::i(c.rackUnits ? rnd.between(1, c.rackUnits) : 0),
                      Writer::i(c.maxWatts ? rnd.between(c.minWatts, c.maxWatts) : 0),
                      Writer::d(weight), Writer::t(fixed2(price)), Writer::i(rnd.below(8) == 0)});
        }
        for (int k = 1; k <= OutputCount; ++k) {
            const Signal& s = rnd.pick(Signals);
            const std::string name =
                std::string(Rooms[size_t((k - 1) / int(Feeds.size()) % int(Rooms.size()))]) + " " +
                Feeds[size_t((k - 1) % int(Feeds.size()))];
            w.insert("INSERT INTO tbloutputs VALUES(?,?,?,?,?,?)",
                     {Writer::i(k), Writer::t(name), Writer::i(rnd.between(1, EquipmentCount)),
                      Writer::t(s.type), Writer::t(s.connector), Writer::i(1 << rnd.below(4))});
        }
        w.exec("COMMIT");
        error = w.error();
    }
    if (error.empty() && std::rename(temp.c_str(), path.c_str()) != 0)
        error = "cannot rename " + temp + " to " + path;
    if (!error.empty())
        std::remove(temp.c_str());
    return error;
}

} // namespace tav::demodb
