// The window's layout, frames due, keys, update pace and frame description.
#include "codec/frameinfo.h"
#include "resources/resource.h"
#include "shell/accelerators.h"
#include "shell/layout.h"
#include "shell/pacer.h"
#include "shell/playback.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

TEST(Layout, OfClientRectangles) {
    // The log's sides, the progress bar's, the frame's.
    const std::pair<rect, std::vector<int32_t>> cases[] = {
        {{0, 0, 600, 400}, {0, 0, 200, 400, 201, 0, 600, 32, 201, 33, 600, 400}},
        {{0, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 32, 1, 33, 0, 0}},
        {{10, 20, 312, 220}, {10, 20, 110, 220, 111, 20, 312, 52, 111, 53, 312, 220}}};
    for (const auto& [client, parts] : cases) {
        const windowlayout l = layoutFor(client);
        std::vector<int32_t> sides;
        for (const rect& r : {l.log, l.progress, l.frame})
            sides.insert(sides.end(), {r.left, r.top, r.right, r.bottom});
        EXPECT_EQ(sides, parts) << client.right;
    }
}

TEST(Playback, FrameDueAtThirtyASecond) {
    const uint64_t start = 123456789;
    // Elapsed time counts in 32 bits: 2^32 ms reads as 0.
    const std::pair<uint64_t, uint32_t> cases[] = {
        {0, 0},          {33, 0},         {34, 1},
        {100, 3},        {2999, 89},      {3000, 90},
        {4294967296, 0}, {4294967396, 3}, {4294967295, 128849018}};
    for (auto [ms, frame] : cases) EXPECT_EQ(frameDue(start, start + ms), frame) << ms;
    EXPECT_LT(previewTickMilliseconds, 1000u / framesPerSecond);  // no frame missed
}

// The program's own key table, read from its resource script.
std::vector<accelerator> programKeys() {
#define NAMED(name) \
    { #name, name }
    const std::map<std::string, int> names = {
        {"VK_SPACE", 0x20},   NAMED(IDM_ABOUT),   NAMED(IDM_FILE_NEW), NAMED(IDM_FILE_OPEN),
        NAMED(IDM_FILE_SAVE), NAMED(IDM_PREVIEW), {"VIRTKEY", 1},      {"SHIFT", 4},
        {"CONTROL", 8},       {"ALT", 16},        {"ASCII", 0},        {"NOINVERT", 0}};
    const std::string file = __FILE__;
    std::ifstream script(file.substr(0, file.rfind("tests")) + "resources/morva.rc");
    std::string line;
    while (std::getline(script, line) && line != "IDR_MAINMENU ACCELERATORS") {
    }
    std::getline(script, line);  // BEGIN
    std::vector<accelerator> table;
    while (std::getline(script, line) && line != "END") {
        std::vector<int> values;
        std::istringstream fields(line);
        for (std::string word; std::getline(fields >> std::ws, word, ',');)
            values.push_back(word[0] == '"' ? word[1] : names.at(word));
        table.push_back({uint8_t(std::accumulate(values.begin() + 2, values.end(), 0)),
                         uint16_t(values[0]), uint16_t(values[1])});
    }
    return table;
}

TEST(Accelerators, EachMatchesOnlyItsOwnKind) {
    const std::vector<accelerator> table = programKeys();
    const keykind typed = keykind::character, down = keykind::keyDown;
    // Held: Alt, Control, Shift, Minimised. Keys down with a character's code match none.
    const std::tuple<keykind, uint16_t, std::string, uint16_t> cases[] = {
        {typed, 'n', "a", 32786}, {typed, 'o', "a", 32777},      {typed, 's', "a", 32778},
        {typed, '/', "a", 104},   {typed, '?', "as", 104},       {down, 0x20, "", 32780},
        {typed, 'n', "", 0},      {typed, 'N', "as", 0},         {down, 0x6E, "a", 0},
        {typed, ' ', "", 0},      {down, 0x20, "a", 0},          {down, 0x20, "c", 0},
        {down, 0x20, "s", 0},     {keykind::other, 0x20, "", 0}, {down, 0x20, "m", 0},
        {typed, 'o', "am", 0}};
    for (const auto& [kind, code, held, command] : cases) {
        const auto has = [&h = held](char m) { return h.find(m) != h.npos; };
        const keyevent key{kind, code, has('a'), has('c'), has('s'), has('m')};
        EXPECT_EQ(commandFor(table.data(), table.size(), key), command)
            << int(kind) << " " << code << " " << held;
    }
}

// Updates at once, then one each 33 ms at most, taking a tenth of the time.
TEST(Pacer, UpdatesAtTheScreensPace) {
    pacer updates;
    std::string due;
    const std::pair<uint64_t, uint64_t> steps[] = {{5000, 1}, {5001, 0},  {5032, 0}, {5033, 2},
                                                   {5065, 0}, {5066, 20}, {5099, 0}, {5265, 0},
                                                   {5266, 0}, {5300, 0}};
    for (auto [now, took] : steps) {
        due += updates.due(now) ? '1' : '0';
        if (updates.due(now)) updates.made(now, now + took);
    }
    // 5066 took 20 ms: the next is due 9 x 20 ms after it ended, at 5266.
    EXPECT_EQ(due, "1001010011");
}

TEST(FrameInfo, BottomUpRle8HeaderAndGreyRamp) {
    const frameinfo info = buildFrameInfo(640, -480, 0xFFFF2345);
    std::vector<uint8_t> expected = {40, 0, 0, 0, 0x80, 2, 0, 0, 0x20, 0xFE, 0xFF, 0xFF,
                                     1,  0, 8, 0, 1,    0, 0, 0, 0x45, 0x23, 0xFF, 0xFF};
    expected.resize(40);
    for (uint8_t level = 0; expected.size() < 40 + 1024; ++level)
        expected.insert(expected.end(), {level, level, level, 0});
    EXPECT_EQ(std::vector<uint8_t>(info.bytes, info.bytes + 40 + 1024), expected);
    const dibshape shape = readDibShape(info.bytes);
    EXPECT_EQ(std::tuple(shape.width, shape.height, shape.bitsPerPixel, shape.compression),
              std::tuple(640, -480, 8, 1));
    // At most 2^28 pixels either way; padded 8-bit rows within the size.
    EXPECT_EQ((std::vector{frameTooLarge(16384, 16384), frameTooLarge(1, -(int64_t(1) << 28)),
                           frameTooLarge(16385, 16384), frameTooLarge(16384, -16385),
                           frameTooLarge(INT32_MAX, INT32_MIN)}),
              (std::vector{false, false, true, true, true}));
    EXPECT_EQ((std::vector{wholeRowsFit({5, 3, 8, 0}, 24), wholeRowsFit({5, -3, 8, 0}, 24),
                           wholeRowsFit({5, 3, 8, 0}, 23), wholeRowsFit({5, 3, 8, 1}, 24),
                           wholeRowsFit({5, 3, 24, 0}, 1000), wholeRowsFit({0, 3, 8, 0}, 24),
                           wholeRowsFit({1, -1, 8, 0}, 4), wholeRowsFit({5, 0, 8, 0}, 24),
                           wholeRowsFit({1, INT32_MIN, 8, 0}, UINT32_MAX)}),
              (std::vector{true, true, false, false, false, false, true, false, false}));
}

}  // namespace
