// A file layer in memory, with the interface of platform/file.h, linked in
// place of the system's one (see cmake/Hardening.cmake). The fuzz targets hand
// each input to the readers through it without touching a disk, and the
// fault tests make single steps fail: a create, a write half-way, a full
// disk, a flush, the final replace.
//
// Files live in folders that must exist: temporaryFolder() ("/tmp/") is there
// from the start, others are made with addFolder. Like POSIX, a removed or
// replaced file stays readable through the handles still open on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace memoryfiles {

// Forgets every file, folder (but the temporary one) and fault.
void reset();

void addFolder(const std::u16string& folder);
// Creates or replaces the file at `path` with these bytes; its folder must exist.
void put(const std::u16string& path, const uint8_t* data, size_t size);
void put(const std::u16string& path, const std::vector<uint8_t>& content);
bool exists(const std::u16string& path);
std::vector<uint8_t> content(const std::u16string& path);
// The paths of every file, in order.
std::vector<std::u16string> paths();

// The steps a fault can hit. Each counts its calls from the last reset.
enum class step { create, makeUnique, read, write, flush, replace, remove, count };

// Makes call number `call` (0 the next one) of `which` fail with `error`.
// A failing write moves half of its bytes first, as a write cut off
// half-way does.
void failCall(step which, uint32_t call, uint32_t error);
// Disarms every fault and makes the disk boundless again.
void clearFaults();
// Makes the disk hold `bytes` for all files together; a write that would
// go past that moves what fits and fails with ENOSPC.
void setDiskSize(uint64_t bytes);

constexpr uint32_t ioError = 5;       // EIO
constexpr uint32_t accessDenied = 13; // EACCES
constexpr uint32_t notFound = 2;      // ENOENT
constexpr uint32_t diskFull = 28;     // ENOSPC

}  // namespace memoryfiles
