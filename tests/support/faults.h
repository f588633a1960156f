// System calls that fail while a flag is set, for roads that only a race or another program
// takes: a name made and then refused, a file cut between its size and its read.
#pragma once

namespace faults {
extern bool opensFail, readsEnd;  // open fails with EMFILE; pread ends a byte short

// `call` with `flag` set.
template <class Call>
auto during(bool& flag, Call call) {
    flag = true;
    auto result = call();
    flag = false;
    return result;
}
}  // namespace faults
