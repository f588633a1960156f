// Animation files from the file layer up: reader, frame store, document.
#include "animfile/document.h"
#include "platform/utf8.h"
#include "tests/support/fakeengine.h"
#include "tests/support/faults.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#ifndef _WIN32
#include "tests/support/processlimit.h"
#endif

// Outcomes compared whole: the failed step and the system's code.
static bool operator==(const outcome& a, const outcome& b) {
    return a.what == b.what && a.error == b.error;
}
static void PrintTo(const outcome& o, std::ostream* out) { *out << int(o.what) << "/" << o.error; }

namespace {

constexpr uint32_t notFound = 2;  // ENOENT and ERROR_FILE_NOT_FOUND alike

filehandle openToRead(const text16& path) {
    return openExistingFile(path.c_str(), fileaccess::read, fileshare::read);
}

TEST(FileLayer, TransfersAndNames) {
    scratchfolder dir(u"é歩😀");
    const text16 path = makeUniqueFile(dir.folder, u"MRV"),
                 other = makeUniqueFile(dir.folder, u"MRV");
    EXPECT_TRUE(path != other && removeFile(other.c_str()) &&
                path.rfind(dir.folder + u"MRV", 0) == 0);
    filehandle file = createFile(path.c_str(), fileshare::none);
    EXPECT_TRUE(file.writeAt(0, "abcdef", 6) == 6 && file.writeAt(10, "XY", 2) == 2);  // a hole
    char buffer[16] = {};
    EXPECT_TRUE(file.size() == 12 && file.readAt(0, buffer, 16) == 12);
    EXPECT_EQ(std::memcmp(buffer, "abcdef\0\0\0\0XY", 12), 0);
    EXPECT_FALSE(removeFile(other.c_str()));  // its code is no later read's reason
    errno = EINTR;  // left by an earlier call: the end of the file is no interruption
    EXPECT_TRUE(file.readAt(12, buffer, 4) == 0 && !fileError() && file.setEnd(4) && file.flush());
#ifndef _WIN32  // a handle given another file lets the last one go
    const long held = openFiles();
    file = openToRead(path);
    EXPECT_EQ(openFiles(), held);
#endif
    file.close();
    const text16 moved = dir.file(u"𠮷😀.mrv");
    ASSERT_TRUE(replaceFile(path.c_str(), moved.c_str()));
    EXPECT_EQ(dir.names(), (std::vector<text16>{u"𠮷😀.mrv"}));
    EXPECT_EQ(readFile(moved), bytes(buffer, buffer + 4));
    EXPECT_TRUE(sameFile(moved.c_str(), (dir.folder + u"./𠮷😀.mrv").c_str()) &&
                !sameFile(moved.c_str(), dir.folder.c_str()) && !sameFile(u"none", u"none"));
    EXPECT_EQ(createFile(moved.c_str(), fileshare::none).size(), 0u);  // emptied
    EXPECT_TRUE(folderOf(u"C:\\anim\\walk.mrv") == u"C:\\anim\\" && folderOf(u"walk.mrv").empty());
    EXPECT_FALSE(openToRead(dir.folder).isOpen());
#ifndef _WIN32  // in pieces: /proc hands a file over a page at a time; a size limit cuts a write
    bytes pages(20000, 0xEE);
    EXPECT_EQ(openToRead(u"/proc/self/smaps").readAt(0, pages.data(), 16384), 16384u);
    EXPECT_EQ(pages[16384], 0xEE);
    processlimit small(RLIMIT_FSIZE, 8);
    EXPECT_EQ(createFile(moved.c_str(), fileshare::none).writeAt(0, "0123456789", 10), 8u);
#endif
}

// An unpaired surrogate or a broken sequence reads as U+FFFD.
TEST(FileLayer, Utf8AtTheEdgesOfEachLength) {
    // The compiler's own UTF-8 is the oracle.
    const text16 text = u"\u007F\u0080\u07FF\u0800\uD7FF\uE000\uFFFF\U00010000\U0010FFFF";
    const std::string utf8 = u8"\u007F\u0080\u07FF\u0800\uD7FF\uE000\uFFFF\U00010000\U0010FFFF";
    EXPECT_EQ(utf8Of(text.c_str()), utf8);
    EXPECT_EQ(utf16Of(utf8), text);
    EXPECT_EQ(utf8Of(u"\xD800\xE000\xDC80\xDC00\xDFFF"), u8"\uFFFD\uE000\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(utf16Of("\xC2\x41\xED\xA0\x80"), u"\uFFFDA\uFFFD\uFFFD\uFFFD");  // no surrogates
    // Past the last code point, the last surrogate, the longest overlong forms: byte by byte.
    EXPECT_EQ(utf16Of("\xF4\x90\x80\x80\xED\xBF\xBF\xE0\x9F\xBF\xF0\x8F\xBF\xBF"),
              text16(14, u'\uFFFD'));
    // Names: a byte that is no UTF-8 is the lone surrogate U+DC80-DCFF, and back.
    EXPECT_EQ(pathOfBytes("\x80\xFF\xEF\xBF\xBD"), u"\xDC80\xDCFF\uFFFD");
    EXPECT_EQ(bytesOfPath(u"\xDC7F\xDC80\xDCFF\xDD00"), u8"\uFFFD\x80\xFF\uFFFD");
}

struct openedfile {
    scratchfolder dir;
    text16 path = dir.file(u"test.mrv");
    morvafile reader;
    outcome opened;
    explicit openedfile(const bytes& content) {
        writeFile(path, content);
        opened = reader.open(path.c_str());
    }
};

const bytes first = randomBytes(100, 1), second = randomBytes(50, 2);

TEST(MorvaFile, HandsEachFrameOverAsStored) {
    openedfile file(soundMrv(320, 240, {first, {}, second}));
    morvafile& r = file.reader;
    EXPECT_EQ(std::pair(text16(r.openPath()), r.payloadBufferSize()), std::pair(file.path, 100u));
    fakeengine engine;
    for (uint32_t i = 0; i < 3; ++i) r.makeFrame(engine, i);
    EXPECT_EQ(engine.take(), lines(3, "frame 320x240x8"));
    EXPECT_EQ(engine.payloads, (std::vector<bytes>{first, {}, second}));
    const uint8_t* buffer = r.readPayload(0).bytes;  // one buffer, never made again
    EXPECT_TRUE(r.readPayload(2).bytes == buffer && r.readPayload(0).bytes == buffer);
#ifdef _WIN32  // held for writing too: only an opener that shares writes gets in
    EXPECT_FALSE(openToRead(file.path).isOpen());
#else  // cut short since it was opened
    EXPECT_FALSE(faults::during(faults::readsEnd, [&] { return r.makeFrame(engine, 0); }));
#endif
    r.close();
    EXPECT_FALSE(r.openPath() || r.makeFrame(engine, 1));  // not even the empty frame
}

bytes cut(bytes content, size_t length) { return content.resize(length), content; }

// got: which frames an engine gets (1) or not (0); none when refused as no animation.
// Nothing beyond the file is allocated.
TEST(MorvaFile, DamagedFiles) {
    const bytes four = randomBytes(16, 3);  // a payload of 4 x 4
    const bytes two = soundMrv(4, 4, {four, {0, 1}});
    bytes wrongMagic = two;
    wrongMagic[3] = 'V';
    const struct {
        bytes content;
        uint32_t count;
        const char* got = nullptr;
    } cases[] = {
        {{}, 0},
        {cut(two, 19), 0},
        {wrongMagic, 2},
        {mrvBytes(1, 1, {}, {}, 8, 20), 20},
        {mrvBytes(1, 1, {}, {}, 8, 0xFFFFFFFF), 0xFFFFFFFF},
        {cut(two, 35), 2},
        {mrvBytes(1, 1, {}, {}, 8, 0x20000000), 0x20000000},         // index size wraps to 0
        {mrvBytes(1, 1, {{28, 0}}, {}, 8, 0x20000001), 0x20000001},  // and to 8
        {mrvBytes(1, 1, {{0, 29}}, {}), 1},
        {mrvBytes(1, 1, {{28, 0}, {0, 0xFFFFFFFF}}, {1, 2, 3}), 2},
        {mrvBytes(16385, 16384, {{28, 2}}, {0, 1}), 1},
        {mrvBytes(65535, -65535, {{28, 2}}, {0, 1}), 1},
        {two, 2, "11"},
        {mrvBytes(4, 4, {{44, 16}, {44, 0}, {44, 16}}, four), 3, "111"},
        {mrvBytes(1, 1, {{0, 28}}, {}), 1, "1"},  // as large as the file
        {mrvBytes(16384, 16384, {{28, 2}}, {0, 1}), 1, "1"},
        {mrvBytes(4, 4, {{36, 16}, {40, 16}}, four), 2, "10"},   // offset + size past the end
        {mrvBytes(4, 4, {{36, 16}, {~7u, 16}}, four), 2, "10"},  // offset + size wraps
        {mrvBytes(4, 4, {}, {}), 0, ""},
        {mrvBytes(4, 4, {{28, 16}}, four, 4), 1, "0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        openedfile file(c.content);
        morvafile& r = file.reader;
        EXPECT_EQ(std::pair(file.opened, r.frameCount()),
                  std::pair(outcome{c.got ? failure::none : failure::notAnimation}, c.count));
        EXPECT_LE(r.payloadBufferSize(), std::max<size_t>(c.content.size(), 1));
        const std::string got = c.got ? c.got : "";
        std::string frames;
        fakeengine engine;
        for (uint32_t i = 0; i <= got.size(); ++i) frames += "01"[!!r.makeFrame(engine, i)];
        EXPECT_EQ(frames, got + "0");
        EXPECT_EQ(r.entry(c.count).offset | r.entry(c.count).size, 0u);
    }
}

// Behind a full index payloads may end at 2^32 - 1, no later; sparse: head and last only.
TEST(MorvaFile, TheLargestFile) {
    constexpr uint32_t most = 4294442995u;  // 2^32 - 1 - (20 + 8 * 65535)
    EXPECT_TRUE(payloadFits(most - 7, 7) && !payloadFits(most - 7, 8));
    std::vector<indexentry> index(65535);
    for (uint32_t i = 0; i < 65535; ++i) index[i] = {i * 65528, 65528};
    index.back().size = 131043;
    const bytes last = randomBytes(131043, 3);
    openedfile file({});
    file.reader.close();  // Windows lets no one write a file the reader holds
    {
        filehandle out = createFile(file.path.c_str(), fileshare::none);
        ASSERT_TRUE(writeHead(out, 65535, 2, 1, index.data(), bytes(524300).data()));
        ASSERT_EQ(out.writeAt(0xFFFFFFFFu - 131043, last.data(), 131043), 131043u);
    }
    file.reader.open(file.path.c_str());
    fakeengine engine;
    file.reader.makeFrame(engine, 65534);
    EXPECT_EQ(engine.payloads, std::vector<bytes>{last});
}

std::unique_ptr<TMPfile> storeOf(int32_t width, int32_t height, const std::vector<bytes>& frames) {
    auto store = std::make_unique<TMPfile>();
    EXPECT_TRUE(store->openTempFile().ok());
    store->setFrameSize(width, height);
    for (const bytes& frame : frames)
        EXPECT_TRUE(store->appendFrame(frame.data(), uint32_t(frame.size())));
    return store;
}

bytes saved(TMPfile& store, const scratchfolder& dir, const char16_t* name) {
    EXPECT_TRUE(store.save(dir.file(name).c_str()).ok());
    return readFile(dir.file(name));
}

TEST(FrameStore, SavesTheWorkedExamples) {
    scratchfolder dir;
    const bytes head = {'M', 'o', 'R', 'v', 2, 0, 0,   0, 0x40, 1, 0,   0, 0xF0, 0, 0,  0, 8, 0,
                        0,   0,   36,  0,   0, 0, 100, 0, 0,    0, 136, 0, 0,    0, 50, 0, 0, 0};
    EXPECT_EQ(saved(*storeOf(320, 240, {first, second}), dir, u"two.mrv"),
              joined({head, first, second}));
    EXPECT_EQ(saved(*storeOf(0, 0, {}), dir, u"empty.mrv"), mrvBytes(0, 0, {}, {}));
    // More than the 1 MiB copy buffer, twice from one store.
    const std::vector<bytes> large = {randomBytes(1600000, 3), {}, randomBytes(700000, 4)};
    auto big = storeOf(64, 48, large);
    for (auto name : {u"big.mrv", u"again.mrv"})
        EXPECT_EQ(saved(*big, dir, name), soundMrv(64, 48, large));
    EXPECT_EQ(dir.names().size(), 4u);  // nothing beside
}

TEST(FrameStore, OneTemporaryFile) {
    auto store = std::make_unique<TMPfile>();
    EXPECT_TRUE(!store->appendFrame(first.data(), 100) && store->appendFrame(nullptr, 0));
    ASSERT_TRUE(store->openTempFile().ok() && store->openTempFile().ok());  // the same file
    const text16 name = store->temporaryPath();
    EXPECT_EQ(fs::path(name).filename().u16string().substr(0, 3), u"MRV");
    store->appendFrame(first.data(), 100);
    store->setFrameSize(64, 48);  // earlier frames too
    fakeengine engine;
    EXPECT_TRUE(store->makeFrame(engine, 1) && !store->makeFrame(engine, 2));
    EXPECT_EQ(engine.take(), lines{"frame 64x48x8"});
    EXPECT_EQ(engine.payloads, std::vector<bytes>{first});
    store->close();
    EXPECT_FALSE(*store->temporaryPath() || fs::exists(name) || store->frameCount() ||
                 store->makeFrame(engine, 0));
}

#ifndef _WIN32
// Cut at any step: the old file stays, nothing beside it, the store whole.
TEST(FrameStore, AFailedSaveKeepsTheOldFile) {
    const std::vector<bytes> payloads = {randomBytes(1200000, 5), {}, randomBytes(300, 6)};
    const bytes whole = soundMrv(64, 48, payloads);
    scratchfolder dir;
    const text16 walk = dir.file(u"walk.mrv"), copy = dir.file(u"copy.mrv");
    auto store = storeOf(64, 48, payloads);
    const long held = openFiles();
    for (rlim_t limit : std::vector<rlim_t>{0, 19, 44, 1000, 1048620, whole.size() - 1}) {
        SCOPED_TRACE(limit);
        writeFile(walk, first);
        const outcome result = (processlimit(RLIMIT_FSIZE, limit), store->save(walk.c_str()));
        EXPECT_EQ(std::tuple(result, readFile(walk), dir.names().size()),
                  std::tuple(outcome{failure::cannotWrite, EFBIG}, first, 1u));
        EXPECT_EQ(saved(*store, dir, u"walk.mrv"), whole);
    }
    fs::create_directory(dir.file(u"folder.mrv"));
    for (auto [name, code] : {std::pair{u"absent/walk.mrv", notFound}, {u"folder.mrv", EISDIR}})
        EXPECT_EQ(store->save(dir.file(name).c_str()), (outcome{failure::cannotWrite, code}));
    const fs::path temporary(store->temporaryPath());
    fs::resize_file(temporary, 1200299);  // cut short by someone else: refused, no system code
    EXPECT_EQ(store->save(copy.c_str()), (outcome{failure::cannotWrite, 0}));
    fs::resize_file(temporary, 1200300);
    const bytes kept = saved(*store, dir, u"copy.mrv");
    // Cut since, or not opened.
    for (auto [fault, code] :
         {std::pair{&faults::readsEnd, 0u}, {&faults::opensFail, uint32_t(EMFILE)}}) {
        const outcome refused = faults::during(*fault, [&] { return store->save(copy.c_str()); });
        EXPECT_EQ(std::tuple(refused, readFile(copy), dir.names().size()),
                  std::tuple(outcome{failure::cannotWrite, code}, kept, 3u));
    }
    TMPfile none;  // its name made here, then refused: not left behind
    const outcome refused =
        (tmpdirset(utf8(dir.folder)),
         faults::during(faults::opensFail, [&] { return none.openTempFile(); }));
    EXPECT_EQ(std::pair(refused, dir.names().size()),
              std::pair(outcome{failure::temporaryFile, EMFILE}, size_t(3)));
    store->close();
    EXPECT_EQ(openFiles(), held - 1);
}

// A sound file larger than memory is not called damaged. Sparse: never held.
TEST(MorvaFile, ShortOfMemory) {
    if (sanitized()) GTEST_SKIP() << "no memory limit under the sanitizer";
    openedfile file({});
    for (uint32_t count : {1u, 1u << 27}) {  // a payload of 1 GiB, then an index of 1 GiB
        writeFile(file.path, mrvBytes(2, 1, {{28, 1u << 30}}, {}, 8, count));
        fs::resize_file(file.path, 28 + (1u << 30));
        const outcome opened = (memoryLimit(64 << 20), file.reader.open(file.path.c_str()));
        EXPECT_EQ(std::pair(opened, file.reader.entry(0).size),
                  std::pair(outcome{failure::cannotOpen, ENOMEM}, 0u));
    }
    writeFile(file.path, first);  // a save that cannot have its copy buffer keeps the old file
    auto store = storeOf(2, 2, {first});
    const outcome result = (memoryLimit(256 << 10), store->save(file.path.c_str()));
    EXPECT_EQ(std::tuple(result, readFile(file.path), file.dir.names().size()),
              std::tuple(outcome{failure::cannotWrite, ENOMEM}, first, 1u));
}
#endif

// A failed Open or Save keeps what was open; the title names the file Save writes.
TEST(Document, OpenAndSaveKeepWhatTheTitleNames) {
    scratchfolder dir;
    document doc;
    const text16 x = dir.file(u"x.mrv"), y = dir.file(u"y.mrv"), damaged = dir.file(u"d.mrv");
    const auto add = [&](const bytes& frame) {
        return doc.beginImport(4, 2).ok() &&
               doc.frameStore()->appendFrame(frame.data(), uint32_t(frame.size()));
    };
    const auto title = [&] { return doc.title({u"M", u"(new)", u"*"}); };
    const auto openFrames = [&] {
        fakeengine engine;
        for (uint32_t i = 0; doc.openedFile() && doc.openedFile()->makeFrame(engine, i); ++i) {
        }
        return joined(engine.payloads);
    };
    writeFile(y, soundMrv(4, 2, {second}));
    writeFile(damaged, cut(soundMrv(4, 2, {second}), 25));
    ASSERT_TRUE(add(first) && doc.open(y.c_str()).ok());
    EXPECT_EQ(title(), u"M : " + y);
    // The new frame stays, saved or not: another width or height is refused.
    for (auto [width, height] : {std::pair{4, 3}, {5, 2}})
        EXPECT_EQ(doc.beginImport(width, height).what, failure::sizeDiffers);
    ASSERT_TRUE(add(first));
    EXPECT_EQ(doc.open(damaged.c_str()).what, failure::notAnimation);
    EXPECT_EQ(doc.open(dir.file(u"absent.mrv").c_str()), (outcome{failure::cannotOpen, notFound}));
    EXPECT_EQ(title(), u"M : " + y + u"*");
    EXPECT_EQ(openFrames(), second);
    ASSERT_TRUE(doc.open(y.c_str()).ok());
    EXPECT_EQ(openFrames(), second);
    doc.clear();
    EXPECT_FALSE(doc.openedFile() || doc.frameStore());
    // An empty store takes any size.
    ASSERT_TRUE(doc.beginImport(4, 2).ok() && doc.beginImport(6, 3).ok());
    doc.clear();
    EXPECT_EQ(title(), u"M");
    ASSERT_TRUE(add(first) && add(first));
    EXPECT_EQ(title(), u"M : (new)*");
    EXPECT_EQ(doc.saveTarget(), u"");  // Save asks, as Save As does
    doc.save(x.c_str());
    EXPECT_EQ(title(), u"M : " + x);
    EXPECT_FALSE(doc.canSave());
    ASSERT_TRUE(doc.open(y.c_str()).ok() && add(second));
    EXPECT_EQ(doc.save(dir.file(u"absent/y.mrv").c_str()).what, failure::cannotWrite);
    EXPECT_EQ(openFrames(), second);
    EXPECT_EQ(title(), u"M : " + y + u"*");
    doc.save(doc.saveTarget().c_str());
    EXPECT_EQ(title(), u"M : " + y);
    EXPECT_EQ(readFile(x), soundMrv(4, 2, {first, first}));
    // Every frame since New, in place of the opened file's.
    EXPECT_EQ(readFile(y), soundMrv(4, 2, {first, first, second}));
}

}  // namespace
