// A limit lowered while it lasts: past RLIMIT_FSIZE writes fail as on a full disk.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
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

// Room for what the process maps now and `spare` bytes more: larger allocations fail.
inline processlimit memoryLimit(rlim_t spare) {
    rlim_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return processlimit(RLIMIT_AS, pages * sysconf(_SC_PAGESIZE) + spare);
}

// The sanitizer's shadow memory leaves no room for a memory limit.
inline bool sanitized() { return dlsym(RTLD_DEFAULT, "__asan_init"); }
