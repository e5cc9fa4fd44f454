#pragma once
// The checks of each program, one file each: barchecks.cpp, datachecks.cpp, gridchecks.cpp,
// propchecks.cpp. Each runs its checks in order through the runner, on a started program.
#include "checks.h"

namespace checkall {

class CheckRunner;
class Tester;

void checkBarcheck(const Context& ctx, Tester& t, CheckRunner& checks);
void checkDatacheck(Tester& t, CheckRunner& checks);
void checkGridcheck(Tester& t, CheckRunner& checks);
void checkPropcheck(Tester& t, CheckRunner& checks);

} // namespace checkall
