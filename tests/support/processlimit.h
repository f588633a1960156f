// A limit lowered while it lasts: past RLIMIT_FSIZE writes fail as on a full disk.
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
