// morvacli in-process, against the program's import and ImageMagick.
#include "animfile/document.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/pngfile.h"
#include "import/bmpimport.h"
#include "platform/utf8.h"
#include "tests/support/faults.h"
#include "tests/support/files.h"
#include "tests/support/imagemagick.h"
#include "tests/support/notinghost.h"
#include "tests/support/processlimit.h"

#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <tuple>

namespace {

using std::string;
constexpr int32_t width = 7, height = 5;

struct result {
    int status;
    string out, err;
};

// As main runs `line`'s words; `flushed` at each flush of the messages.
result cli(
    const string& line, bool terminal = false, rlim_t fileLimit = RLIM_INFINITY,
    const std::function<void()>& flushed = [] {}) {
    struct messages : std::stringbuf {
        std::function<void()> flushed;
        int sync() override { return flushed(), 0; }
    } err;
    err.flushed = flushed;
    std::ostringstream out;
    std::ostream errors(&err);
    console io{out, errors, terminal};
    processlimit limited(RLIMIT_FSIZE, fileLimit);
    std::istringstream words(line);
    const std::vector<string> given{std::istream_iterator<string>(words), {}};
    return {runMorvacli(argumentsOf(given), io), out.str(), err.str()};  // run first
}

bool has(const string& text, const string& part) { return text.find(part) != string::npos; }

// A PNG chunk's CRC over [from, to), in the four bytes from `to` on.
void seal(bytes& chunk, size_t from, size_t to) {
    const uint32_t crc = uint32_t(crc32(0, &chunk[from], uInt(to - from)));
    chunk.resize(std::max(chunk.size(), to + 4));
    for (int i = 0; i < 4; ++i) chunk[to + i] = uint8_t(crc >> (24 - 8 * i));
}

// Each test runs in a scratch folder of its own.
class Morvacli : public ::testing::Test {
protected:
    void SetUp() override {
        fs::current_path(dir.folder);
        writeSeries(dir, u"walk", 3, 0, 3, width, height);
        writeSeries(dir, u"late", 3, 1, 1, width, height);
        save("none.mrv", mrvBytes(width, height, {}, {}));
        ASSERT_EQ(cli("pack walk000.bmp -o good.mrv").status, 0);
    }
    void TearDown() override { fs::current_path(cwd); }

    bytes load(const string& name) const { return readFile(utf16Of(name)); }
    void save(const string& name, const bytes& content) const { writeFile(utf16Of(name), content); }

    std::map<fs::path, bytes> everything() const {
        std::map<fs::path, bytes> all;
        for (const fs::path& path : fs::recursive_directory_iterator("."))
            all[path] = fs::is_directory(path) ? bytes{} : readFile(path.u16string());
        return all;
    }

    // The three frames' levels at depth 6, rows top-down.
    static bytes expectedFrames() {
        bytes levels;
        for (uint32_t n = 0; n < 3; ++n) {
            const bytes pixels = cutPixels(seriesPicture(n, width, height), 6);
            for (int32_t y = height - 1; y >= 0; --y)
                levels.insert(levels.end(), &pixels[y * width], &pixels[y * width] + width);
        }
        return levels;
    }

    const fs::path cwd = fs::current_path();
    scratchfolder dir;
};

}  // namespace

TEST_F(Morvacli, PackWritesWhatTheProgramSaves) {
    writeSeries(dir, u"long", 3, 0, 70, width, height);  // more than the packer's slots
    for (const auto& [first, depth, total] :
         {std::tuple{"walk001.bmp", "1", "3"}, {"long000.bmp", "008", "70"}}) {
        const string out = cli("pack " + string(first) + " -o packed.mrv --depth " + depth).out;
        EXPECT_TRUE(has(out, "\nTotal " + string(total) + " files exists.\n")) << out;
        notinghost host;
        document program;
        importPicture(host, program, uint32_t(std::stoul(depth)), utf16Of(first));
        ASSERT_TRUE(program.save(u"saved.mrv").ok());
        EXPECT_EQ(load("packed.mrv"), load("saved.mrv"));
    }
    fs::permissions("good.mrv", fs::perms(0600));
    fs::create_symlink("good.mrv", "link.mrv");
    const int made = faults::threadsMade;
    const string bar = cli("pack long000.bmp -o link.mrv --depth 8", true).err;  // then wiped
    EXPECT_EQ(faults::threadsMade - made, sysconf(_SC_NPROCESSORS_ONLN));
    EXPECT_EQ(load("good.mrv"), load("packed.mrv"));  // where the link points
    EXPECT_EQ(fs::status("good.mrv").permissions(), fs::perms(0600));
    EXPECT_EQ(bar.substr(bar.find("] 68/70") - 41),  // rounded down: 38.9 marks are 38
              "[" + string(38, '#') + "  ] 68/70\rpack [" + string(39, '#') + " ] 69/70\rpack [" +
                  string(40, '#') + "] 70/70\r" + string(64, ' ') + "\r");
}

TEST_F(Morvacli, UnpackedPicturesPackBackToTheSameFile) {
    // Latin-1 names as bytes; pictures in the umask's mode; a dot in the folder or leading the
    // name starts no extension.
    fs::create_directory("v.2");
    fs::copy_file("good.mrv", "v.2/.good");
    const mode_t mask = umask(027);
    cli("unpack v.2/.good -o b\xE9");
    umask(mask);
    EXPECT_EQ(fs::status("b\xE9/.good002.bmp").permissions(), fs::perms(0640));
    cli("unpack good.mrv -o png --format png");
    ASSERT_EQ(cli("pack b\xE9/.good000.bmp -o \xE9.mrv --depth 8").err, "");
    fs::rename("\xE9.mrv", "again.mrv");  // that name, no other
    EXPECT_EQ(load("again.mrv"), load("good.mrv"));
    cli("pack png/good000.png -o png.mrv --depth 8");
    EXPECT_EQ(load("png.mrv"), load("good.mrv"));
    EXPECT_EQ(greyLevels("png/good00?.png"), expectedFrames());  // ImageMagick's glob
}

TEST_F(Morvacli, GifDelaysLoopHelpAndVersion) {
    for (const auto& [fps, hundredths] :
         {std::pair{"30", "3,4,3,"}, {"50", "2,2,2,"}, {"1", "100,100,100,"}}) {
        cli("gif good.mrv -o good.gif --fps " + string(fps));
        const bytes file = load("good.gif");
        const string gif(file.begin(), file.end());
        bytes delays;
        convert("good.gif -format '%T,' info:-", &delays);
        EXPECT_EQ(string(delays.begin(), delays.end()), hundredths);
        EXPECT_TRUE(gif.rfind("GIF89a", 0) == 0 && has(gif, string("NETSCAPE2.0\3\1\0\0\0", 16)));
        const string block = "\x21\xF9\4\4" + string(1, char(std::stoi(hundredths)));
        EXPECT_TRUE(has(gif, block + string("\0\xFF\0,\0\0\0\0\7\0\5", 11)));  // and place
    }
    const result usage = cli("gif -h"), version = cli("pack --version");  // first
    EXPECT_EQ(std::tuple(cli("--help").out, usage.status, version.status),
              std::tuple(usage.out, 0, 0));
    EXPECT_TRUE(has(usage.out, "Usage: morvacli COMMAND") && has(usage.out, "  gif FILE.mrv -o"));
    EXPECT_TRUE(std::regex_match(version.out, std::regex("morvacli [0-9]+\\.[0-9]+\\.[0-9]+\n")));
}

TEST_F(Morvacli, AnEmptyFrameIsNoDamage) {
    EXPECT_EQ(cli("check good.mrv").out, "3 frames, none damaged\n");
    bytes file = load("good.mrv");
    std::fill(file.begin() + 32, file.begin() + 36, 0);  // frame 1's size
    save("empty.mrv", file);
    const result checked = cli("check empty.mrv");
    EXPECT_EQ(std::tuple(checked.status, checked.out),
              std::tuple(0,
                         "frame 1: empty: the program stored no picture for it\n"
                         "3 frames, none damaged, 1 empty\n"));
    const string listed = cli("info empty.mrv").out;
    EXPECT_TRUE(std::regex_match(
        listed, std::regex("file   empty.mrv\nmagic  MoRv\nframes 3\nsize   7 x 5\nbits   8\n\n"
                           " frame      offset        size\n     0          44 +\\d+\n"
                           "     1 +\\d+           0  empty\n     2 +\\d+ +\\d+\n")))
        << listed;
    save("wide.mrv", mrvBytes(65535, 1, {{28, 0}}, {}));  // as wide or high as a GIF may be
    save("tall.mrv", mrvBytes(1, 65535, {{28, 0}}, {}));
    for (const auto& [run, frame] : {std::pair{"unpack empty.mrv -o e", "1"},
                                     {"gif empty.mrv -o e.gif", "1"},
                                     {"gif wide.mrv -o w.gif", "0"},
                                     {"gif tall.mrv -o t.gif", "0"}}) {
        const result drawn = cli(run);
        EXPECT_EQ(std::pair(drawn.status, drawn.err),
                  std::pair(0, "morvacli: empty frames drawn black: " + string(frame) + "\n"));
    }
    bytes levels = expectedFrames();
    std::fill(levels.begin() + 35, levels.begin() + 70, 0);
    EXPECT_EQ(greyLevels("e.gif"), levels);
    EXPECT_EQ(load("e/empty001.bmp"), bmpBytes({width, height, bytes(40)}));  // padding too
}

TEST_F(Morvacli, ShortOfMemorySaysSoAndLeavesNothing) {
    struct nomemory : std::streambuf {  // as any other command may run short
        int overflow(int) override { throw std::bad_alloc(); }
    } none;
    std::ostream out(&none);
    std::ostringstream err;
    console io{out, err};
    out.exceptions(std::ios::badbit);
    EXPECT_EQ(runMorvacli(argumentsOf({"info", "good.mrv"}), io), 1);
    EXPECT_EQ(err.str(), "morvacli: not enough memory\n");
    EXPECT_EQ(
        faults::during(faults::threadsFail, [] { return cli("pack walk000.bmp -o o.mrv").err; }),
        "morvacli: not enough memory for 7 x 5 pictures\n");  // no worker at all
    if (sanitized()) GTEST_SKIP() << "no memory limit under the sanitizer";
    // Grown on disk, never held here; larger than any heap malloc keeps.
    testpicture black{8192, 4608, {}};
    black.biSizeImage = 8192 * 4608, black.bfSize = 1078 + black.biSizeImage;
    const scratchfolder big;
    const text16 picture = big.file(u"big000.bmp");
    writeFile(picture, bmpBytes(black));
    fs::resize_file(picture, black.bfSize);
    save("huge.mrv", mrvBytes(16384, 16384, {}, {}));  // no frame, yet room for one
    const auto before = everything();
    const auto [failed, huge] = [&] {  // room for the program, not for a worker's buffers
        const processlimit memory = memoryLimit(16 << 20);
        return std::pair(cli("pack " + utf8(picture) + " -o big.mrv"), cli("check huge.mrv"));
    }();
    EXPECT_EQ(std::tuple(failed.status, huge.status, failed.err, huge.err),
              std::tuple(1, 1, "morvacli: not enough memory for 8192 x 4608 pictures\n",
                         "morvacli: huge.mrv: no memory for frames of 16384 x 16384\n"));
    EXPECT_TRUE(everything() == before);
}

TEST_F(Morvacli, AnInterruptLeavesOnlyWhatWasKept) {
    auto before = everything();
    before["./kept"];
    before["./kept.mrv"] = before["./good.mrv"];
    // As main runs it, without standard input (files get descriptor 0), interrupted once the
    // partial file is made; what it kept before stays.
    EXPECT_EXIT(
        {
            close(STDIN_FILENO);
            catchInterrupts();
            if (cli("unpack none.mrv -o kept").status == 0 &&
                cli("pack walk000.bmp -o kept.mrv").status == 0)
                cli("pack walk000.bmp -o o.mrv", true, RLIM_INFINITY, [] { raise(SIGINT); });
        },
        testing::ExitedWithCode(130), "^morvacli: interrupted\n$");
    EXPECT_TRUE(everything() == before);
}

TEST_F(Morvacli, RefusalsGiveOneLineAndWriteNothing) {
    bytes broken = load("good.mrv");
    broken[broken[28] | broken[29] << 8] = 0xFF;  // frame 1 starts with a run of 255 in a row of 7
    save("walk.mrv", broken);                     // unpacks into walk000.bmp
    save("junk.mrv", {'M', 'o', 'R', 'x', 0, 0, 0, 0});
    fs::permissions("junk.mrv", fs::perms(0440));
    save("flat.mrv", mrvBytes(0, height, {{28, 0}}, {}));
    save("low.mrv", mrvBytes(width, 0, {{28, 0}}, {}));
    save("wide.mrv", mrvBytes(65536, 1, {{28, 0}}, {}));  // a GIF's sides end at 65535
    save("tall.mrv", mrvBytes(1, 65536, {{28, 0}}, {}));
    std::vector<bytes> ones(101, {1, 9, 0, 1});  // frame 0 damaged
    ones[0] = {0xFF, 0};
    save("101.mrv", soundMrv(1, 1, ones));
    fs::create_directory("o3");
    save("o3/101_101.bmp", {});  // would join the series
    save("o3/none000.bmp", {});
    scratchfolder many;  // one picture more than a file holds, linked
    const string first = utf8(many.file(u"many00000.bmp"));
    fs::copy_file("walk000.bmp", first);
    for (uint32_t n = 1; n <= 65535; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "many%05u.bmp", n);
        fs::create_symlink(first, many.file(utf16Of(name)));
    }
    cli("gif good.mrv -o good.gif");
    const rlim_t gifSize = load("good.gif").size(), mrvSize = load("good.mrv").size();
    const string deep = fs::absolute(string(250, 'd'));  // paths of 270 characters and more
    fs::create_directories(deep + "/none");              // not where a relative -o leads
    fs::copy_file("walk000.bmp", deep + "/walk000.bmp");
    ASSERT_TRUE(convert("walk000.bmp -define png:color-type=2 r000.png"));
    bytes cut = load("r000.png");
    save("c000.png", (cut.resize(32), cut));  // its header cut short
    const string damaged = ": frame 1 is damaged: stopped at byte 0 of",
                 depth = "--depth takes a number from 1 to 8, not '",
                 fps = "--fps takes a number from 1 to 50";
    const struct {
        string run;
        int status;
        string line;
        rlim_t fileLimit = RLIM_INFINITY;
    } runs[] = {
        {"", 2, "no command; morvacli --help lists them"},
        {"frobnicate", 2, "unknown command 'frobnicate'; morvacli --help lists them"},
        {"pack walk000.bmp -o", 2, "-o needs a value"},
        {"info good.mrv --depth 3", 2, "info takes no option '--depth'"},
        {"check good.mrv walk.mrv", 2, "one input only, not also 'walk.mrv'"},
        {"gif -o o.gif", 2, "gif needs an input file"},
        {"info good.mrv -o o", 2, "info takes no -o: it writes nothing"},
        {"unpack good.mrv -o o --format tga", 2, "--format takes bmp or png, not"},
        {"unpack walk.mrv -o ./", 1, "./walk000.bmp is there already: unpack"},
        {"pack walk000.bmp", 2, "pack needs -o and an output name"},
        {"pack walk000.bmp -o o.mrv --depth 9", 2, depth + "9'"},
        {"pack walk000.bmp -o o.mrv --depth 0", 2, depth + "0'"},
        {"pack walk000.bmp -o o.mrv --depth 0008", 2, depth + "0008'"},
        {"info -", 1, "-: cannot open: No such file"},  // a name, not an option
        {"gif good.mrv -o o.gif --fps 0", 2, fps},
        {"gif good.mrv -o o.gif --fps 51", 2, fps},
        {"pack late001.bmp -o o.mrv", 1,
         "File : late000.bmp : not found: a series starts at number 0"},
        {"pack r000.png -o o.mrv", 1, "File : r000.png : 24-bit RGB PNG: pack"},
        {"pack c000.png -o o.mrv", 1, "File : c000.png : Invalid PNG Format"},
        {"gif good.mrv -o good.gif", 1, "cannot write good.gif", gifSize - 1},
        {"unpack good.mrv -o o", 1, "cannot write o/good000.bmp", 1100},
        {"unpack good.mrv -o o --format png", 1, "cannot write o/good0", 9},
        {"unpack flat.mrv -o o", 1, "flat.mrv: frames of 0 x 5 pixels make"},
        {"unpack low.mrv -o o", 1, "low.mrv: frames of 7 x 0 pixels make"},
        {"gif flat.mrv -o o.gif", 1, "flat.mrv: frames of 0 x 5 pixels do not"},
        {"gif wide.mrv -o o.gif", 1, "wide.mrv: frames of 65536 x 1 pixels do"},
        {"gif tall.mrv -o o.gif", 1, "tall.mrv: frames of 1 x 65536 pixels do"},
        {"unpack none.mrv -o o3", 1, "o3/none000.bmp is there already"},
        {"unpack 101.mrv -o o3", 1, "o3/101_101.bmp is there already"},
        {"gif none.mrv -o o.gif", 1, "none.mrv: no frames to make a GIF of"},
        {"pack walk000.bmp -o good.mrv", 1, "cannot write good.mrv", mrvSize - 1},
        {"pack " + first + " -o o.mrv", 1, "File : many65535.bmp : beyond the frame limit"},
        {"pack " + deep + "/walk000.bmp -o none/o.mrv", 1, "cannot write none/o.mrv: No"},
        {"pack walk000.bmp -o junk.mrv", 1, "cannot write junk.mrv: Permission"},
        {"pack walk000.bmp -o ./", 1, "cannot write ./: it is a folder: -o takes"},
        {"gif good.mrv -o " + deep, 1, "cannot write " + deep + ": it is a folder"},
        {"info junk.mrv", 1, "junk.mrv: not an animation file, or its header"},
        {"gif good.mrv -o ./good.mrv", 1, "cannot write ./good.mrv: it is the"},
        {"pack walk000.bmp -o walk000.bmp", 1, "cannot write walk000.bmp: it is a picture to"},
        {"pack walk001.bmp -o ./walk002.bmp", 1, "cannot write ./walk002.bmp: it is a"},
        {"unpack good.mrv -o none/o", 1, "cannot make the folder none/o: No"},
        {"unpack junk.mrv -o o", 1, "junk.mrv: not an animation"},
        {"check walk.mrv", 1, "walk.mrv: 1 of 3 frames are damaged"},
        {"unpack walk.mrv -o o", 1, "walk.mrv" + damaged},
        {"gif walk.mrv -o o.gif", 1, "walk.mrv" + damaged}};
    const auto before = everything();
    for (const auto& run : runs) {
        const result failed =
            faults::during(faults::heldStay, [&] { return cli(run.run, false, run.fileLimit); });
        const string& err = failed.err;
        EXPECT_EQ(std::tuple(failed.status, err.rfind("morvacli: " + run.line, 0),
                             std::count(err.begin(), err.end(), '\n')),
                  std::tuple(run.status, 0u, 1))
            << err;
        EXPECT_TRUE(everything() == before) << run.line;
    }
    auto withFolders = before;  // -o's name taken by a folder while writing
    for (const string run : {"pack walk000.bmp -o late", "gif good.mrv -o late.gif"}) {
        const string late = run.substr(run.rfind(' ') + 1);
        withFolders["./" + late];
        const string err = cli(run, true, RLIM_INFINITY, [&] { fs::create_directory(late); }).err;
        EXPECT_TRUE(has(err, "\rmorvacli: cannot write " + late + ": Is a directory\n")) << err;
    }
    EXPECT_TRUE(everything() == withFolders);
    removeFile(many.file(u"many65535.bmp").c_str());
    EXPECT_EQ(cli("pack " + first + " -o none/o.mrv").err,
              "morvacli: cannot write none/o.mrv: No such file or directory\n");  // 65535 fit
    // A bar left at 0 % is wiped too.
    const string wiped = cli("unpack 101.mrv -o u", true).err;
    EXPECT_TRUE(has(wiped, "] 1/101\r" + string(66, ' ') + "\rmorvacli: ")) << wiped;
    EXPECT_EQ(cli("check walk.mrv").out, "frame 1: stopped at byte 0 of " +
                                             std::to_string(broken[32]) +
                                             ": a code runs outside its row or the frame\n");
}

// Each PNG header field at the edge of what pack takes; "" packs as the BMP does. The name's
// extension in capitals, as a PNG's may be.
TEST_F(Morvacli, PngHeadersTakenOrRefused) {
    fs::copy_file("walk000.bmp", "one000.bmp");
    cli("pack one000.bmp -o one.mrv --depth 8");
    const string grey = "walk000.bmp -define png:color-type=0 -define png:bit-depth=8 ";
    ASSERT_TRUE(convert(grey + "g.png") && convert(grey + "-interlace PNG i000.png"));
    ASSERT_EQ(load("i000.png")[28], 1);  // Adam7
    bytes plte = {0, 0, 3, 0, 'P', 'L', 'T', 'E'};
    for (int i = 0; i < 768; ++i) plte.push_back(uint8_t(i / 3 * 5));  // no level of its index
    seal(plte, 4, plte.size());
    // `value` at `at`, the colour type (byte 25) `type`; a palette after the header.
    const auto packs = [&](int at, const bytes& value, uint8_t type, const string& line) {
        bytes png = load("g.png");
        png[25] = type, std::copy(value.begin(), value.end(), png.begin() + at);
        seal(png, 12, 29);
        if (type == 3) png.insert(png.begin() + 33, plte.begin(), plte.end());
        save("x000.PNG", png);
        const string err = cli("pack x000.PNG -o x.mrv --depth 8").err;
        const string said = line.empty() ? "" : "morvacli: File : x000.PNG : " + line;
        EXPECT_EQ(line.empty() ? err : err.substr(0, said.size()), said)
            << at << " " << +value[0] << " " << +type;
        if (line.empty()) {
            EXPECT_EQ(load("x.mrv"), load("one.mrv")) << +type;
        }
    };
    const int fields[][3] = {{0, 0x8A, 0},  {7, 0, 0},  {11, 14, 0},   {15, 'X', 0}, {19, 0, 0},
                             {16, 0x80, 2}, {23, 0, 0}, {20, 0x80, 2}, {26, 1, 0},   {27, 1, 0},
                             {28, 2, 0},    {24, 3, 0}, {24, 9, 0},    {24, 16, 3},  {24, 4, 2},
                             {24, 8, 1},    {24, 8, 5}, {24, 8, 7}};
    for (auto& f : fields) packs(f[0], {uint8_t(f[1])}, uint8_t(f[2]), "Invalid PNG Format");
    const bytes g = load("g.png");  // the zlib stream's first byte
    packs(int(string(g.begin(), g.end()).find("IDAT")) + 4, {0}, 0, "Encode Error");
    for (int side : {16, 20})  // as wide or high as a PNG may be: its header is read whole
        packs(side, {0x7F, 0xFF, 0xFF, 0xFF}, 2, "24-bit RGB PNG");
    const std::tuple<uint8_t, uint8_t, const char*> kinds[] = {
        {0, 8, ""},
        {3, 8, ""},
        {0, 1, "1-bit grey PNG: pack"},
        {0, 2, "2-bit grey PNG"},
        {0, 4, "4-bit grey PNG"},
        {3, 1, "1-bit pal"},
        {3, 2, "2-bit palette"},
        {3, 4, "4-bit palette"},
        {2, 16, "48-bit RGB"},
        {4, 8, "16-bit grey with alpha"},
        {4, 16, "32-bit grey with alpha"},
        {6, 8, "32-bit RGBA"},
        {6, 16, "64-bit RGBA"},
        {0, 16, "16-bit grey PNG: pack takes 8-bit grey or 8-bit palette PNGs; convert"}};
    for (auto [type, depth, line] : kinds) packs(24, {depth}, type, line);
    cli("pack i000.png -o i.mrv --depth 8");
    EXPECT_EQ(load("i.mrv"), load("one.mrv"));
    // The header a 7 x 5 BMP has; no pixels without one.
    pngfile png, refused;
    ASSERT_TRUE(png.open(u"g.png") && png.readHeaders() && refused.open(u"x000.PNG"));
    const bmpinfoheader& h = png.info();
    EXPECT_EQ(std::tie(h.biSize, h.biWidth, h.biHeight, h.biPlanes, h.biBitCount, h.biSizeImage,
                       h.biClrUsed),
              std::make_tuple(40u, 7, 5, 1, 8, 40u, 256u));
    EXPECT_FALSE(refused.load() || pngfile().readHeaders());                     // nor unopened
    EXPECT_FALSE(faults::during(faults::readsEnd, [&] { return png.load(); }));  // cut since
    EXPECT_TRUE(isPngName(u".PNG") && !isPngName(u"png") && !isPngName(u"a.pn"));
    packs(17, {1}, 0, "Encode Error");   // 65543 wide: the rows say otherwise
    fs::rename("x000.PNG", "x001.PNG");  // then as picture 1 of a series 7 wide
    fs::copy_file("g.png", "x000.PNG");
    EXPECT_EQ(cli("pack x000.PNG -o o.mrv").err,
              "morvacli: BMP #1 had invlid width 65543 instead 7\n");
}
