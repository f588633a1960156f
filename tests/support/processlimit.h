// A limit of this process lowered while it lasts (unless RLIM_INFINITY): writes
// past RLIMIT_FSIZE fail with EFBIG, as on a full disk; RLIMIT_AS leaves no memory.
#pragma once

#include <csignal>
#include <sys/resource.h>

struct processlimit {
    int resource;
    rlimit saved{};
    processlimit(int resource, rlim_t limit) : resource(resource) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(resource, &saved);
        rlimit lowered = saved;
        if (limit != RLIM_INFINITY) lowered.rlim_cur = limit;
        setrlimit(resource, &lowered);
    }
    ~processlimit() { setrlimit(resource, &saved); }
};
