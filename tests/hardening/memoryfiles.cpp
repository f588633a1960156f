#include "tests/hardening/memoryfiles.h"

#include "platform/file.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace {

using filebytes = std::vector<uint8_t>;

struct openfile {
    std::shared_ptr<filebytes> data;  // null: the slot is free
    bool writable = false;
};

struct fault {
    uint32_t call;
    uint32_t error;
};

const std::u16string temporary = u"/tmp/";
constexpr size_t stepCount = size_t(memoryfiles::step::count);

struct filesystem {
    std::map<std::u16string, std::shared_ptr<filebytes>> files;
    std::set<std::u16string> folders{temporary};
    std::vector<openfile> handles;
    uint32_t calls[stepCount] = {};
    std::multimap<size_t, fault> faults;
    uint64_t diskSize = UINT64_MAX;
    uint32_t uniqueNumber = 0;
};

filesystem& state() {
    static filesystem instance;
    return instance;
}

thread_local uint32_t lastError = 0;

template <typename T>
T failed(uint32_t error, T result) {
    lastError = error;
    return result;
}

// Counts a call of `which`; the error it is to fail with, or 0.
uint32_t injected(memoryfiles::step which) {
    filesystem& fs = state();
    const size_t kind = size_t(which);
    const uint32_t call = fs.calls[kind]++;
    auto [first, last] = fs.faults.equal_range(kind);
    for (auto it = first; it != last; ++it)
        if (it->second.call == call) return it->second.error;
    return 0;
}

bool folderExists(const std::u16string& path) {
    return state().folders.count(folderOf(path)) != 0;
}

uint64_t usedSpace() {
    uint64_t used = 0;
    for (const auto& entry : state().files) used += entry.second->size();
    return used;
}

openfile* slot(intptr_t native) {
    filesystem& fs = state();
    if (native < 0 || size_t(native) >= fs.handles.size() || !fs.handles[size_t(native)].data)
        return nullptr;
    return &fs.handles[size_t(native)];
}

intptr_t newHandle(std::shared_ptr<filebytes> data, bool writable) {
    filesystem& fs = state();
    auto free = std::find_if(fs.handles.begin(), fs.handles.end(),
                             [](const openfile& open) { return !open.data; });
    if (free == fs.handles.end()) free = fs.handles.insert(free, openfile{});
    *free = {std::move(data), writable};
    return intptr_t(free - fs.handles.begin());
}

}  // namespace

namespace memoryfiles {

void reset() {
    state() = filesystem{};
    lastError = 0;
}

void addFolder(const std::u16string& folder) { state().folders.insert(folder); }

void put(const std::u16string& path, const uint8_t* data, size_t size) {
    state().files[path] = std::make_shared<filebytes>(data, data + size);
}

void put(const std::u16string& path, const std::vector<uint8_t>& bytes) {
    put(path, bytes.data(), bytes.size());
}

bool exists(const std::u16string& path) { return state().files.count(path) != 0; }

std::vector<uint8_t> content(const std::u16string& path) {
    auto it = state().files.find(path);
    return it == state().files.end() ? std::vector<uint8_t>() : *it->second;
}

std::vector<std::u16string> paths() {
    std::vector<std::u16string> out;
    for (const auto& entry : state().files) out.push_back(entry.first);
    return out;
}

void failCall(step which, uint32_t call, uint32_t error) {
    filesystem& fs = state();
    fs.faults.insert({size_t(which), {fs.calls[size_t(which)] + call, error}});
}

void clearFaults() {
    state().faults.clear();
    state().diskSize = UINT64_MAX;
}

void setDiskSize(uint64_t bytes) { state().diskSize = bytes; }

}  // namespace memoryfiles

using memoryfiles::step;

void filehandle::close() {
    if (openfile* open = slot(native)) *open = openfile{};
    native = invalid;
}

uint32_t filehandle::readAt(uint64_t position, void* buffer, uint32_t count) {
    openfile* open = slot(native);
    if (!open) return failed(9u, 0u);  // EBADF
    if (uint32_t error = injected(step::read)) return failed(error, 0u);
    const filebytes& data = *open->data;
    if (position >= data.size()) return 0;
    const uint32_t moved = uint32_t(std::min<uint64_t>(count, data.size() - position));
    std::memcpy(buffer, data.data() + position, moved);
    return moved;
}

uint32_t filehandle::writeAt(uint64_t position, const void* buffer, uint32_t count) {
    openfile* open = slot(native);
    if (!open || !open->writable) return failed(9u, 0u);
    filebytes& data = *open->data;
    uint32_t error = injected(step::write);
    uint32_t moved = error ? count / 2 : count;
    const uint64_t end = position + moved;
    if (end > data.size()) {
        const uint64_t room = usedSpace() <= state().diskSize ? state().diskSize - usedSpace() : 0;
        if (end - data.size() > room) {
            const uint64_t reachable = data.size() + room;
            moved = position < reachable ? uint32_t(reachable - position) : 0;
            error = memoryfiles::diskFull;
        }
    }
    if (moved > 0) {
        if (position + moved > data.size()) data.resize(size_t(position + moved));
        std::memcpy(data.data() + position, buffer, moved);
    }
    return error ? failed(error, moved) : moved;
}

bool filehandle::flush() {
    if (!slot(native)) return failed(9u, false);
    if (uint32_t error = injected(step::flush)) return failed(error, false);
    return true;
}

bool filehandle::setEnd(uint64_t position) {
    openfile* open = slot(native);
    if (!open || !open->writable) return failed(9u, false);
    open->data->resize(size_t(position));
    return true;
}

bool filehandle::size(uint64_t& length) {
    openfile* open = slot(native);
    if (!open) return failed(9u, false);
    length = open->data->size();
    return true;
}

filehandle openExistingFile(const char16_t* path, fileaccess access, fileshare, unsigned) {
    auto it = state().files.find(path);
    if (it == state().files.end()) return failed(memoryfiles::notFound, filehandle());
    return filehandle(newHandle(it->second, access == fileaccess::readWrite));
}

filehandle createFile(const char16_t* path, fileshare, unsigned) {
    if (uint32_t error = injected(step::create)) return failed(error, filehandle());
    if (!folderExists(path)) return failed(memoryfiles::notFound, filehandle());
    std::shared_ptr<filebytes>& file = state().files[path];
    if (file)
        file->clear();
    else
        file = std::make_shared<filebytes>();
    return filehandle(newHandle(file, true));
}

uint32_t fileError() { return lastError; }

std::u16string temporaryFolder() { return temporary; }

std::u16string makeUniqueFile(const std::u16string& folder, const char16_t* prefix) {
    if (uint32_t error = injected(step::makeUnique)) return failed(error, std::u16string());
    if (state().folders.count(folder) == 0) return failed(memoryfiles::notFound, std::u16string());
    std::u16string path;
    do {
        path = folder + prefix;
        for (char c : std::to_string(++state().uniqueNumber)) path += char16_t(c);
    } while (memoryfiles::exists(path));
    state().files[path] = std::make_shared<filebytes>();
    return path;
}

bool replaceFile(const char16_t* source, const char16_t* target) {
    if (uint32_t error = injected(step::replace)) return failed(error, false);
    filesystem& fs = state();
    auto it = fs.files.find(source);
    if (it == fs.files.end()) return failed(memoryfiles::notFound, false);
    if (!folderExists(target)) return failed(memoryfiles::notFound, false);
    std::shared_ptr<filebytes> moved = it->second;
    fs.files.erase(it);
    fs.files[target] = std::move(moved);
    return true;
}

bool removeFile(const char16_t* path) {
    if (uint32_t error = injected(step::remove)) return failed(error, false);
    return state().files.erase(path) != 0 || failed(memoryfiles::notFound, false);
}
