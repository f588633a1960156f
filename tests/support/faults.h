// System calls that fail on demand, for roads only a race or another program takes.
#pragma once

namespace faults {
extern bool opensFail, readsEnd;  // open fails with EMFILE; pread ends a byte short

template <class Call>
auto during(bool& flag, Call call) {
    flag = true;
    auto result = call();
    return flag = false, result;
}
}  // namespace faults
