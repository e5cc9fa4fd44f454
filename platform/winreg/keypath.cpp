#include "keypath_p.h"

#include <QString>

#include <algorithm>

namespace tav::winreg {

std::string foldName(std::string_view name) {
    bool ascii = true;
    for (unsigned char c : name)
        ascii = ascii && c < 0x80;
    if (ascii) {
        std::string folded(name);
        for (char& c : folded)
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
        return folded;
    }
    return QString::fromUtf8(name.data(), qsizetype(name.size())).toUpper().toStdString();
}

int nameChars(std::string_view name) {
    // ASCII text has one unit per byte; anything else is counted as the platform converts it.
    if (std::all_of(name.begin(), name.end(), [](unsigned char c) { return c < 0x80; }))
        return int(name.size());
    return int(QString::fromUtf8(name.data(), qsizetype(name.size())).size());
}

LONG splitKeyPath(const char* path, std::vector<std::string>& components) {
    components.clear();
    if (!path || !*path)
        return ERROR_SUCCESS;
    std::string_view rest(path);
    if (rest.front() == '\\')
        return ERROR_BAD_PATHNAME;
    while (!rest.empty() && rest.back() == '\\')
        rest.remove_suffix(1);
    while (!rest.empty()) {
        const auto cut = rest.find('\\');
        const std::string_view part = rest.substr(0, cut);
        if (part.empty())
            return ERROR_BAD_PATHNAME;
        if (nameChars(part) > kMaxKeyNameChars)
            return ERROR_INVALID_PARAMETER;
        components.emplace_back(part);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    return ERROR_SUCCESS;
}

LONG checkValueName(const char* name) {
    if (name && nameChars(name) > kMaxValueNameChars)
        return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

} // namespace tav::winreg
