#include "raisederror.h"

namespace tav::test {

std::optional<VbError> errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VbError& e) {
        return e;
    }
    return std::nullopt;
}

int32_t errorNumberOf(const std::function<void()>& f) {
    const std::optional<VbError> e = errorOf(f);
    return e ? e->number() : 0;
}

} // namespace tav::test

namespace tav {
void PrintTo(const VbError& e, std::ostream* os) {
    *os << "error " << e.number() << " (" << e.source().toStdString()
        << "): " << e.description().toStdString();
}
} // namespace tav
