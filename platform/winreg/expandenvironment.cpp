// ExpandEnvironmentStringsA: %NAME% references replaced by the environment's values.
#include "keypath_p.h"
#include "winreg.h"
#include "winreg_p.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

extern char** environ;

namespace {

// The exact name first; else the first variable whose name matches ignoring case.
std::optional<std::string> lookup(const std::string& name) {
    if (const char* v = std::getenv(name.c_str()))
        return std::string(v);
    const std::string folded = tav::winreg::foldName(name);
    for (char** e = environ; e && *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq && eq != *e &&
            tav::winreg::foldName(std::string_view(*e, size_t(eq - *e))) == folded)
            return std::string(eq + 1);
    }
    return std::nullopt;
}

std::string expand(const char* src) {
    std::string out;
    const std::string_view text(src);
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find('%', i);
        if (open == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, open - i));
        const size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) { // a lone or unterminated reference stays as written
            out.append(text.substr(open));
            break;
        }
        const std::string name(text.substr(open + 1, close - open - 1));
        const auto value = name.empty() ? std::nullopt : lookup(name);
        if (value) {
            out.append(*value);
            i = close + 1;
        } else {
            // Unknown names and %% are copied; the closing % may open the next reference.
            out.append(text.substr(open, close - open));
            i = close;
        }
    }
    return out;
}

} // namespace

DWORD ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize) {
    if (auto& hook = tav::winreg::detail::faultHook();
        hook && hook("ExpandEnvironmentStringsA") != 0)
        return 0;
    if (!lpSrc)
        return 0;
    const std::string expanded = expand(lpSrc);
    const DWORD needed = DWORD(expanded.size() + 1);
    if (lpDst && nSize >= needed)
        std::memcpy(lpDst, expanded.c_str(), needed);
    return needed;
}
