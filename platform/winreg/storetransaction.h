#pragma once
// Groups many registry calls into one all-or-nothing step (a .reg import): the calls made
// while it lives commit together, or none of them when it ends without commit().
#include "winregtypes.h"

#include <memory>

namespace tav::winreg {

class StoreTransaction {
  public:
    StoreTransaction();
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;

    // ERROR_SUCCESS when the transaction could be started.
    LONG status() const { return m_status; }
    LONG commit();

  private:
    struct State;
    std::unique_ptr<State> m_state;
    LONG m_status = ERROR_SUCCESS;
};

} // namespace tav::winreg
