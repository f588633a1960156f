// System calls that fail on demand: roads only a race, another program or Windows takes.
#pragma once

namespace faults {
// open fails with EMFILE; pread ends a byte short; unlink refuses, as Windows does, a file
// this process holds open; no thread starts. Always: new (std::nothrow) gives no zeros.
extern bool opensFail, readsEnd, heldStay, threadsFail;
extern int threadsMade;

template <class Call>
auto during(bool& flag, Call call) {
    flag = true;
    auto result = call();
    return flag = false, result;
}
}  // namespace faults
