#include "cli/packer.h"

#include "animfile/fileformat.h"
#include "cli/console.h"
#include "cli/interrupt.h"
#include "import/bmpfile.h"
#include "import/seriesname.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

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
// pictures are ahead of the writer.
void packer::work() {
    seriesname names(job.picture.c_str(), job.fileOffset, job.extensionOffset);
    bmpfile reader;
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
        encode(number, names, reader, into);
        std::lock_guard<std::mutex> held(lock);
        into.ready = true;
        changed.notify_all();
    }
}

// As the import's frame pass, which gives an empty frame where this fails.
void packer::encode(uint32_t number, seriesname& names, bmpfile& reader, slot& into) const {
    into.failure.clear();
    const std::string name = text(std::u16string(names.logLineOf(number).data));
    if (!reader.open(names.pathOf(number).data)) {
        into.failure = name + " : File Open error";
        return;
    }
    const bool sameSize = reader.load() && reader.infoHeader.biWidth == job.width &&
                          reader.infoHeader.biHeight == job.height;
    const uint32_t size = sameSize ? reader.encode(job.depth) : 0;
    if (size == 0)
        into.failure = name + " : Encode Error";
    else
        into.payload.assign(reader.rleData.get(), reader.rleData.get() + size);
    reader.fileHandle.close();
}

std::string packer::write(filehandle& file, progressbar& progress) {
    std::vector<uint8_t> head(payloadAreaStart(job.total));
    encodeHeader({morvaMagic, job.total, job.width, job.height, payloadBits}, head.data());
    uint64_t offset = head.size();
    for (uint32_t n = 0; n < job.total; ++n) {
        slot& from = slots[n % slots.size()];
        {
            std::unique_lock<std::mutex> held(lock);
            changed.wait(held, [&] { return from.ready; });
        }
        if (!from.failure.empty()) return from.failure;
        if (interrupted()) return "interrupted: " + job.output + " not written";
        const uint32_t size = uint32_t(from.payload.size());
        if (offset + size > UINT32_MAX)
            return "the animation would reach 4 GiB, more than its offsets hold";
        if (file.writeAt(offset, from.payload.data(), size) < size) return writeFailure();
        encodeEntry({uint32_t(offset), size},
                    head.data() + fileHeaderSize + uint64_t(n) * indexEntrySize);
        offset += size;
        {
            std::lock_guard<std::mutex> held(lock);
            from.ready = false;
            written = n + 1;
            changed.notify_all();
        }
        progress.show(n + 1);
    }
    if (file.writeAt(0, head.data(), uint32_t(head.size())) < head.size()) return writeFailure();
    return {};
}

void packer::stop() {
    std::lock_guard<std::mutex> held(lock);
    stopping = true;
    changed.notify_all();
}

}  // namespace

std::string packFrames(const packjob& job, filehandle& file, progressbar& progress) {
    const uint32_t workers = std::max(1u, std::thread::hardware_concurrency());
    packer pack(job, workers);
    std::vector<std::thread> threads;
    for (uint32_t i = 0; i < workers; ++i) threads.emplace_back([&pack] { pack.work(); });
    const std::string failure = pack.write(file, progress);
    pack.stop();
    for (std::thread& thread : threads) thread.join();
    return failure;
}
