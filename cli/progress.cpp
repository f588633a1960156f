#include "cli/progress.h"

namespace {

constexpr int barWidth = 40;

}  // namespace

progressbar::progressbar(console& io, std::string what, uint32_t total)
    : io(io), what(std::move(what)), total(total) {}

progressbar::~progressbar() {
    if (drawn >= 0)
        io.err << '\r' << std::string(what.size() + barWidth + 20, ' ') << '\r' << std::flush;
}

// Redrawn only when the percentage changes: at most a hundred times.
void progressbar::show(uint32_t done) {
    if (!io.terminal || total == 0) return;
    const int percent = int(uint64_t(done) * 100 / total);
    if (percent == drawn) return;
    drawn = percent;
    const int filled = percent * barWidth / 100;
    io.err << '\r' << what << " [" << std::string(size_t(filled), '#')
           << std::string(size_t(barWidth - filled), ' ') << "] " << done << '/' << total
           << std::flush;
}
