#include "cli/interrupt.h"

#include "platform/utf8.h"

#include <algorithm>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#else
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#endif

namespace {

// Changed only with interrupts held, so the handler never sees them half-changed.
std::vector<std::string> madeFiles;  // UTF-8, as the system takes them
std::string madeFolder;

#ifdef _WIN32
std::atomic<bool> asked{false};
HANDLE mainThread = nullptr;

// Runs on a thread of its own: the main thread stops at its next check, or
// at once where it waits in an open, a read or a write. Every Ctrl+C is
// taken here, so a second one never ends the process mid-write.
BOOL WINAPI ask(DWORD) {
    asked = true;
    if (mainThread) CancelSynchronousIo(mainThread);
    return TRUE;
}
#else
extern "C" void stop(int) {
    for (const std::string& file : madeFiles) ::unlink(file.c_str());
    if (!madeFolder.empty()) ::rmdir(madeFolder.c_str());
    static const char line[] = "morvacli: interrupted\n";
    ssize_t ignored = ::write(STDERR_FILENO, line, sizeof line - 1);
    (void)ignored;
    _exit(exitInterrupted);
}
#endif

}  // namespace

void catchInterrupts() {
#ifdef _WIN32
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    SetConsoleCtrlHandler(ask, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = stop;
    sigfillset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool interrupted() {
#ifdef _WIN32
    return asked;
#else
    return false;
#endif
}

void takeBackOnInterrupt(const std::u16string& file) {
    std::string path = bytesOfPath(file.c_str());
    interruptsheld held;
    madeFiles.push_back(std::move(path));
}

void keepOnInterrupt(const std::u16string& file) {
    const std::string path = bytesOfPath(file.c_str());
    interruptsheld held;
    const auto at = std::find(madeFiles.rbegin(), madeFiles.rend(), path);  // most often the last
    if (at != madeFiles.rend()) madeFiles.erase(std::next(at).base());
}

void takeBackFolderOnInterrupt(const std::u16string& folder) {
    std::string path = bytesOfPath(folder.c_str());
    interruptsheld held;
    madeFolder.swap(path);
}

void keepAllOnInterrupt() {
    interruptsheld held;
    madeFiles.clear();
    madeFolder.clear();
}

#ifdef _WIN32
interruptsheld::interruptsheld() : saved{} {}
interruptsheld::~interruptsheld() = default;
#else
static_assert(sizeof(sigset_t) <= sizeof(unsigned long long[16]), "room for the signal mask");

interruptsheld::interruptsheld() : saved{} {
    sigset_t interrupts;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    sigaddset(&interrupts, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &interrupts, reinterpret_cast<sigset_t*>(saved));
}

interruptsheld::~interruptsheld() {
    pthread_sigmask(SIG_SETMASK, reinterpret_cast<sigset_t*>(saved), nullptr);
}
#endif
