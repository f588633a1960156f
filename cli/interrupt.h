// Ctrl+C and termination. On POSIX systems the handler itself ends the run,
// wherever it is (counting a long series, blocked in the open of a FIFO or
// of a slow share): it removes what the run has made so far, says
// "interrupted" and exits with exitInterrupted. On Windows every Ctrl+C only
// asks the work to stop at its next picture or frame, and what the run made
// is taken back as on any other failure; a blocked open or write is cancelled.
#pragma once

#include <string>

constexpr int exitInterrupted = 130;  // as shells report a run ended by SIGINT

// From now on an interrupt ends the run.
void catchInterrupts();
// Whether the work was asked to stop (Windows; on POSIX systems the run
// never sees an interrupt).
bool interrupted();

// What an interrupt takes back: each file made and not yet kept, then the
// one folder made. Only the main thread calls these.
void takeBackOnInterrupt(const std::u16string& file);
void keepOnInterrupt(const std::u16string& file);
void takeBackFolderOnInterrupt(const std::u16string& folder);
// The run is done: an interrupt takes nothing back.
void keepAllOnInterrupt();

// Interrupts wait while it lasts: for changes that must be whole when the
// handler looks, and for threads made meanwhile, which never take one.
class interruptsheld {
public:
    interruptsheld();
    ~interruptsheld();
    interruptsheld(const interruptsheld&) = delete;
    interruptsheld& operator=(const interruptsheld&) = delete;

private:
    unsigned long long saved[16];  // the signal mask as it was (sigset_t)
};
