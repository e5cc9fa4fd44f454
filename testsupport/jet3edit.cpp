#include "jet3edit.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace tav::test {
namespace {

constexpr int PageSize = 2048;
constexpr int CatalogDefinitionPage = 2; // the catalog's own table definition
constexpr int TableObjectType = 1;

std::uint16_t u16(const QByteArray& b, qsizetype at) {
    return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}
std::uint32_t u32(const QByteArray& b, qsizetype at) {
    return std::uint32_t(u16(b, at)) | std::uint32_t(u16(b, at + 2)) << 16;
}
void put16(QByteArray& b, qsizetype at, std::uint16_t v) {
    b[at] = char(v & 0xff);
    b[at + 1] = char(v >> 8);
}
void put32(QByteArray& b, qsizetype at, std::uint32_t v) {
    put16(b, at, std::uint16_t(v & 0xffff));
    put16(b, at + 2, std::uint16_t(v >> 16));
}

bool isJet3(const QByteArray& file) {
    return file.size() >= PageSize * 3 && file.size() % PageSize == 0 &&
           file.mid(4, 15) == QByteArrayLiteral("Standard Jet DB") && file[0x14] == 0;
}

// A catalog row: where it lies on its page and where its Name (first variable column) is.
struct CatalogRow {
    qsizetype page = 0;             // file offset of the page
    int index = 0;                  // row number on the page
    int start = 0, end = 0;         // row bytes within the page
    int nameStart = 0, nameEnd = 0; // within the row
    std::uint32_t id = 0;
    int type = 0;
};

// Jet 3 row tail: ... eod, variable offsets (reversed), var count, null mask.
std::optional<CatalogRow> crackCatalogRow(const QByteArray& file, qsizetype page, int index) {
    const int rowCount = u16(file, page + 8);
    const std::uint16_t offset = u16(file, page + 10 + 2 * index);
    if (offset & 0xc000) // deleted or moved to another page
        return std::nullopt;
    CatalogRow r;
    r.page = page;
    r.index = index;
    r.start = offset & 0x1fff;
    r.end = index == 0 ? PageSize : (u16(file, page + 10 + 2 * (index - 1)) & 0x1fff);
    const int length = r.end - r.start;
    if (r.start < 10 + 2 * rowCount || length < 32 || length >= 256)
        return std::nullopt;
    const QByteArray row = file.mid(page + r.start, length);
    const int maskBytes = (std::uint8_t(row[0]) + 7) / 8;
    const int countAt = length - maskBytes - 1;
    const int varCount = std::uint8_t(row[countAt]);
    if (varCount < 1 || countAt - 1 - varCount < 31)
        return std::nullopt;
    r.nameStart = std::uint8_t(row[countAt - 1]);
    r.nameEnd = std::uint8_t(varCount > 1 ? row[countAt - 2] : row[countAt - 1 - varCount]);
    if (r.nameStart > r.nameEnd || r.nameEnd > length)
        return std::nullopt;
    r.id = u32(row, 1) & 0xffffff;
    r.type = std::int16_t(u16(row, 9));
    return r;
}

std::optional<CatalogRow> findTable(const QByteArray& file, const QByteArray& name) {
    for (qsizetype page = 0; page + PageSize <= file.size(); page += PageSize) {
        if (file[page] != 0x01 || u32(file, page + 4) != CatalogDefinitionPage)
            continue;
        const int rowCount = u16(file, page + 8);
        for (int i = 0; i < rowCount; ++i) {
            const auto row = crackCatalogRow(file, page, i);
            if (row && row->type == TableObjectType &&
                file.mid(page + row->start + row->nameStart, row->nameEnd - row->nameStart) == name)
                return row;
        }
    }
    return std::nullopt;
}

} // namespace

bool renameJet3Table(QByteArray& file, const QByteArray& from, const QByteArray& to) {
    if (!isJet3(file))
        return false;
    const auto found = findTable(file, from);
    if (!found)
        return false;
    const CatalogRow& r = *found;
    const int grow = int(to.size() - from.size());
    const int length = r.end - r.start;
    if (length + grow >= 256)
        return false;

    // The new row: the name replaced, and every later variable offset (and eod) moved.
    QByteArray row = file.mid(r.page + r.start, length);
    const int maskBytes = (std::uint8_t(row[0]) + 7) / 8;
    const int countAt = length - maskBytes - 1;
    const int varCount = std::uint8_t(row[countAt]);
    for (int j = 1; j <= varCount; ++j) // j == varCount is eod
        row[countAt - 1 - j] = char(std::uint8_t(row[countAt - 1 - j]) + grow);
    row.replace(r.nameStart, r.nameEnd - r.nameStart, to);

    // Rows lie from the page's end downwards; those stored below this one move by `grow`.
    const int rowCount = u16(file, r.page + 8);
    int lowest = r.start;
    for (int i = 0; i < rowCount; ++i)
        lowest = std::min(lowest, int(u16(file, r.page + 10 + 2 * i) & 0x1fff));
    const int freeSpace = u16(file, r.page + 2);
    if (grow > freeSpace || lowest - grow < 10 + 2 * rowCount)
        return false;
    char* page = file.data() + r.page;
    std::memmove(page + lowest - grow, page + lowest, size_t(r.start - lowest));
    std::memcpy(page + r.start - grow, row.constData(), size_t(row.size()));
    for (int i = 0; i < rowCount; ++i) {
        const std::uint16_t offset = u16(file, r.page + 10 + 2 * i);
        if ((offset & 0x1fff) <= r.start)
            put16(file, r.page + 10 + 2 * i,
                  std::uint16_t((offset & 0xe000) | ((offset & 0x1fff) - grow)));
    }
    put16(file, r.page + 2, std::uint16_t(freeSpace - grow));
    return true;
}

bool renameJet3Column(QByteArray& file, const QByteArray& table, const QByteArray& from,
                      const QByteArray& to) {
    if (!isJet3(file) || to.isEmpty() || to.size() > 64)
        return false;
    const auto found = findTable(file, table);
    if (!found)
        return false;
    const qsizetype page = qsizetype(found->id) * PageSize;
    if (page + PageSize > file.size() || file[page] != 0x02 || u32(file, page + 4) != 0)
        return false;
    const std::uint32_t dataLength = u32(file, page + 8);
    const int columns = u16(file, page + 25);
    const std::uint32_t realIndexes = u32(file, page + 31);
    qsizetype at = page + 43 + 8 * qsizetype(realIndexes) + 18 * qsizetype(columns);
    const int grow = int(to.size() - from.size());
    if (8 + qsizetype(dataLength) + grow > PageSize)
        return false;
    for (int c = 0; c < columns; ++c) {
        if (at >= page + PageSize)
            return false;
        const int length = std::uint8_t(file[at]);
        if (file.mid(at + 1, length) == from) {
            // Names are length-prefixed and followed by the index definitions: shift the rest.
            QByteArray rest = file.mid(at + 1 + length, page + PageSize - (at + 1 + length));
            rest.resize(rest.size() - grow, '\0');
            file.replace(at, page + PageSize - at, char(to.size()) + to + rest);
            put32(file, page + 8, std::uint32_t(dataLength + grow));
            return true;
        }
        at += 1 + length;
    }
    return false;
}

} // namespace tav::test
