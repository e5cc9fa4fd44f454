#pragma once
// The desktop's accessibility bus (AT-SPI) behind the checks' interface. Connected while
// this object lives; every call waits at most what the step under way has left.
#include "element.h"

namespace checkall {

class AtspiBus : public AccessBus {
  public:
    AtspiBus();
    ~AtspiBus() override;
    AtspiBus(const AtspiBus&) = delete;
    AtspiBus& operator=(const AtspiBus&) = delete;

    std::shared_ptr<Element> desktop() override;
    void pump() override;
    bool pressKey(unsigned long keysym) override;
    bool typeText(const QString& text) override;
};

} // namespace checkall
