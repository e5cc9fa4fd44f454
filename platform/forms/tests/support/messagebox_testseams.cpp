#include "messagebox_testseams.h"

namespace tav {

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(detail::messageBoxHandler(), std::move(handler));
}

} // namespace tav
