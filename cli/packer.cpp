#include "cli/packer.h"

#include "animfile/animationhead.h"
#include "cli/console.h"
#include "cli/interrupt.h"
#include "cli/pngfile.h"
#include "codec/frameencoder.h"
#include "import/seriesname.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace {

// What the workers may hold between them; pictures of 8192 x 8192 leave room
// for one worker, of 4096 x 4096 for four.
constexpr uint64_t workersMemory = uint64_t(512) << 20;

// A worker's pixel and payload buffers, sized as the reader sizes them for
// pictures of `width` x `height`.
struct buffersizes {
    uint64_t pixels, payload;
    buffersizes(int32_t width, int32_t height)
        : pixels(std::max<uint64_t>(4096, rowStride(width) * uint64_t(height))),
          payload(std::max(2 * pixels, payloadBound(uint32_t(width), uint32_t(height)))) {}
    // With the two slots of its own that each worker adds.
    uint64_t perWorker() const { return pixels + 3 * payload; }
};

std::string noMemory(const packjob& job) {
    return "not enough memory for " + std::to_string(job.width) + " x " +
           std::to_string(job.height) + " pictures";
}

// The payload of one picture on its way from a worker to the writer.
struct slot {
    std::vector<uint8_t> payload;
    std::string failure;  // why the picture gave no payload
    bool ready = false;
};

class packer {
public:
    packer(const packjob& job, uint32_t workers) : job(job), slots(2 * workers + 2) {}

    void work();
    std::string write(filehandle& file, progressbar& progress);
    void stop();

private:
    bool reserve(bmpfile& reader) const;
    void encode(uint32_t number, seriesname& names, bmpfile& reader, slot& into) const;
    std::string writeFailure() const {
        return "cannot write " + job.output + ": " + systemMessage(fileError());
    }

    const packjob& job;
    std::vector<slot> slots;  // picture n goes through slot n % size
    std::mutex lock;
    std::condition_variable changed;
    uint32_t next = 0;     // the next picture a worker takes
    uint32_t written = 0;  // pictures the writer is done with
    bool stopping = false;
};

// Takes the next picture while its slot is free: at most slots.size()
// pictures are ahead of the writer. A worker that cannot have its buffers
// fails every picture it takes, so that the writer stops at the first.
void packer::work() {
    seriesname names(job.picture.c_str(), job.fileOffset, job.extensionOffset);
    bmpfile bmp;
    pngfile png;
    bmpfile& reader = isPngName(job.picture) ? png : bmp;
    const bool roomy = reserve(reader);
    for (;;) {
        uint32_t number;
        {
            std::unique_lock<std::mutex> held(lock);
            changed.wait(held, [&] {
                return stopping || next == job.total || next < written + slots.size();
            });
            if (stopping || next == job.total) return;
            number = next++;
        }
        slot& into = slots[number % slots.size()];
        try {
            if (!roomy) throw std::bad_alloc();
            encode(number, names, reader, into);
        } catch (const std::bad_alloc&) {
            into.failure = noMemory(job);
        }
        std::lock_guard<std::mutex> held(lock);
        into.ready = true;
        changed.notify_all();
    }
}

// Both buffers up front, so that a reader short of memory is never taken
// for a picture it cannot encode.
bool packer::reserve(bmpfile& reader) const {
    const buffersizes sizes(job.width, job.height);
    if (sizes.payload > UINT32_MAX) return true;  // every picture fails as the import's would
    return reader.reserve(uint32_t(sizes.pixels), uint32_t(sizes.payload));
}

// As the import's frame pass, which gives an empty frame where this fails.
void packer::encode(uint32_t number, seriesname& names, bmpfile& reader, slot& into) const {
    into.failure.clear();
    const std::string name = text(std::u16string(names.logLineOf(number).data));
    if (!reader.open(names.pathOf(number).data)) {
        into.failure = name + " : File Open error";
        return;
    }
    const bool sameSize =
        reader.load() && reader.info().biWidth == job.width && reader.info().biHeight == job.height;
    const uint32_t size = sameSize ? reader.encode(job.depth) : 0;
    if (size == 0)
        into.failure = name + " : Encode Error";
    else
        into.payload.assign(reader.payload(), reader.payload() + size);
    reader.closeFile();
}

std::string packer::write(filehandle& file, progressbar& progress) {
    std::vector<indexentry> entries(job.total);
    uint64_t offset = 0;  // in the payload area, which follows the index
    const uint64_t base = payloadAreaStart(job.total);
    for (uint32_t n = 0; n < job.total; ++n) {
        slot& from = slots[n % slots.size()];
        {
            std::unique_lock<std::mutex> held(lock);
            changed.wait(held, [&] { return from.ready; });
        }
        if (!from.failure.empty()) return from.failure;
        if (interrupted()) return "interrupted";
        const uint32_t size = uint32_t(from.payload.size());
        if (!payloadFits(offset, size))
            return "the animation would reach 4 GiB, more than its offsets hold";
        if (file.writeAt(base + offset, from.payload.data(), size) < size) return writeFailure();
        entries[n] = {uint32_t(offset), size};
        offset += size;
        {
            std::lock_guard<std::mutex> held(lock);
            from.ready = false;
            written = n + 1;
            changed.notify_all();
        }
        progress.show(n + 1);
    }
    std::vector<uint8_t> head(base);
    if (!writeHead(file, job.total, job.width, job.height, entries.data(), head.data()))
        return writeFailure();
    return {};
}

void packer::stop() {
    std::lock_guard<std::mutex> held(lock);
    stopping = true;
    changed.notify_all();
}

}  // namespace

std::string packFrames(const packjob& job, filehandle& file, progressbar& progress) {
    const uint64_t roomFor = workersMemory / buffersizes(job.width, job.height).perWorker();
    const uint32_t cores = std::max(1u, std::thread::hardware_concurrency());
    const uint32_t workers = uint32_t(std::clamp<uint64_t>(roomFor, 1, cores));
    packer pack(job, workers);
    std::vector<std::thread> threads;
    try {
        interruptsheld held;  // workers never take an interrupt: the main thread does
        for (uint32_t i = 0; i < workers; ++i) threads.emplace_back([&pack] { pack.work(); });
    } catch (const std::exception&) {               // a thread or its stack cannot be had
        if (threads.empty()) return noMemory(job);  // fewer workers do the same work
    }
    std::string failure;
    try {
        failure = pack.write(file, progress);
    } catch (const std::bad_alloc&) {
        failure = noMemory(job);
    }
    pack.stop();
    for (std::thread& thread : threads) thread.join();
    return failure;
}
