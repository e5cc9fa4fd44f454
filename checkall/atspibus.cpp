#include "atspibus.h"

#include "atspielement_p.h"

#include <atspi/atspi.h>

namespace checkall {

AtspiBus::AtspiBus() {
    atspi_init();
}

AtspiBus::~AtspiBus() {
    atspi_exit();
}

std::shared_ptr<Element> AtspiBus::desktop() {
    return AtspiElement::adopt(atspi_get_desktop(0));
}

void AtspiBus::pump() {
    for (int i = 0; i < 100 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
}

bool AtspiBus::pressKey(unsigned long keysym) {
    GErrorSlot err;
    return beginCall() &&
           atspi_generate_keyboard_event(long(keysym), nullptr, ATSPI_KEY_SYM, err.out()) && !err;
}

bool AtspiBus::typeText(const QString& text) {
    GErrorSlot err;
    const QByteArray utf8 = text.toUtf8();
    return beginCall() &&
           atspi_generate_keyboard_event(0, utf8.constData(), ATSPI_KEY_STRING, err.out()) && !err;
}

} // namespace checkall
