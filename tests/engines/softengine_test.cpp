#include "engines/softengine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engines/composition.h"
#include "engines/frameinfo.h"
#include "import/bmpfile.h"
#include "tests/engines/settingnames.h"

namespace {

using greyrows = std::vector<std::vector<uint8_t>>;  // top row first

// A BI_RLE8 stream that spells every pixel as a run of one, bottom row first.
std::vector<uint8_t> payloadOf(const greyrows& rows) {
    std::vector<uint8_t> code;
    for (size_t r = rows.size(); r-- > 0;) {
        for (uint8_t level : rows[r]) {
            code.push_back(1);
            code.push_back(level);
        }
        if (r != 0) code.insert(code.end(), {0, 0});  // end of line
    }
    code.insert(code.end(), {0, 1});  // end of bitmap
    return code;
}

uint32_t channelsOf(int x, int y) {
    return uint32_t(x * 37 % 256) << 16 | uint32_t(y * 59 % 256) << 8 | 0x0F;
}

// Gives every surface pixel its own colour, with differing channels.
void paintPattern(softengine& engine) {
    softengine::picture& surface = engine.surface();
    for (int y = 0; y < surface.height; ++y) {
        for (int x = 0; x < surface.width; ++x)
            surface.pixels[size_t(y * surface.width + x)] = channelsOf(x, y);
    }
}

uint32_t composed(gdibehaviour white, gdibehaviour black, uint8_t s, uint32_t d) {
    return uint32_t(gdiCompose(white, black, s, uint8_t(d >> 16))) << 16 |
           uint32_t(gdiCompose(white, black, s, uint8_t(d >> 8))) << 8 |
           gdiCompose(white, black, s, uint8_t(d));
}

const greyrows sample = {
    {0x00, 0xFF, 0x80, 0x0F, 0x37},
    {0xFF, 0x00, 0xF0, 0x01, 0xC3},
    {0x55, 0xAA, 0xFE, 0x7F, 0x00},
};

const rect sampleRect = {2, 1, 7, 4};  // unscaled: 5 x 3

TEST(SoftEngineSettings, NamesAreTheGdiEnginesAndTheCutLength) {
    softengine engine(8, 8);
    expectSettingNames(engine, gdiWhiteBehaviour, gdiBlackBehaviour);
    char16_t buffer[8];
    EXPECT_EQ(engine.settingAName(buffer, 8), 4);
    EXPECT_EQ(engine.settingAChoiceName(2, buffer, 3), 2);  // cut to "その"
}

class SoftEngineDrawing : public ::testing::Test {
protected:
    SoftEngineDrawing() : engine(10, 6) { paintPattern(engine); }

    frameimage* makeFrame(const greyrows& rows) {
        payload = payloadOf(rows);
        return engine.createFrame(payload.data(), uint32_t(payload.size()), int32_t(rows[0].size()),
                                  int32_t(rows.size()), 8);
    }

    void draw(frameimage* frame, const rect& area) {
        engine.beginDraw();
        engine.drawBackground();
        engine.drawFrameInRect(frame, area);
        engine.endDraw();
    }

    void expectUnchanged() {
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(engine.surface().at(x, y), channelsOf(x, y)) << x << "," << y;
        }
    }

    softengine engine;
    std::vector<uint8_t> payload;
};

TEST_F(SoftEngineDrawing, StartsWithWhiteWhiteAndBlackBlackSoTheFrameIsCopied) {
    frameimage* frame = makeFrame(sample);
    ASSERT_NE(frame, nullptr);
    draw(frame, sampleRect);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(engine.surface().at(2 + x, 1 + y), sample[y][x] * 0x010101u);
    }
    engine.destroyFrame(frame);
}

TEST_F(SoftEngineDrawing, UnscaledFrameIsComposedByTheRuleInEveryCell) {
    const gdibehaviour behaviours[] = {gdibehaviour::white, gdibehaviour::black,
                                       gdibehaviour::unchanged, gdibehaviour::inverted};
    frameimage* frame = makeFrame(sample);
    for (uint32_t a = 0; a < 4; ++a) {
        for (uint32_t b = 0; b < 4; ++b) {
            paintPattern(engine);
            engine.setSettingA(a);
            engine.setSettingB(b);
            draw(frame, sampleRect);
            for (int y = 0; y < 6; ++y) {
                for (int x = 0; x < 10; ++x) {
                    bool inside = x >= 2 && x < 7 && y >= 1 && y < 4;
                    uint32_t expected = inside ? composed(behaviours[a], behaviours[b],
                                                          sample[y - 1][x - 2], channelsOf(x, y))
                                               : channelsOf(x, y);
                    ASSERT_EQ(engine.surface().at(x, y), expected)
                        << "A " << a << " B " << b << " at " << x << "," << y;
                }
            }
            EXPECT_EQ(engine.presented().pixels, engine.surface().pixels);
        }
    }
    engine.destroyFrame(frame);
}

TEST_F(SoftEngineDrawing, SettersIgnoreChoicesBeyondTheCount) {
    engine.setSettingA(3);
    engine.setSettingB(3);
    engine.setSettingA(4);
    engine.setSettingB(0xFFFFFFFF);
    frameimage* frame = makeFrame(sample);
    draw(frame, sampleRect);
    EXPECT_EQ(engine.surface().at(2, 1),
              channelsOf(2, 1) ^ 0xFFFFFFu);  // inverted, whatever the frame
    engine.destroyFrame(frame);
}

TEST_F(SoftEngineDrawing, OnlyEightBitFramesUpTo16384By16384AreMade) {
    std::vector<uint8_t> code = payloadOf(sample);
    for (uint32_t bits : {0u, 1u, 4u, 24u, 32u}) {
        EXPECT_EQ(engine.createFrame(code.data(), uint32_t(code.size()), 5, 3, bits), nullptr) << bits;
    }
    const uint8_t endOfBitmap[] = {0x00, 0x01};
    EXPECT_EQ(engine.createFrame(endOfBitmap, 2, 16385, 16384, 8), nullptr);
    EXPECT_EQ(engine.createFrame(endOfBitmap, 2, 1, int32_t(maxFramePixels) + 1, 8), nullptr);
    EXPECT_EQ(engine.createFrame(endOfBitmap, 2, INT32_MAX, INT32_MAX, 8), nullptr);
}

// Frames without pixels are made; they, null frames and empty or inverted
// rectangles draw nothing.
TEST_F(SoftEngineDrawing, NothingIsDrawnWithoutPixelsOrRoom) {
    for (rect shape : {rect{0, 0, 0, 3}, rect{0, 0, 5, 0}, rect{0, 0, -5, 3}, rect{0, 0, 5, -3}}) {
        frameimage* frame = engine.createFrame(nullptr, 0, shape.right, shape.bottom, 8);
        ASSERT_NE(frame, nullptr);
        draw(frame, sampleRect);
        engine.destroyFrame(frame);
    }
    draw(nullptr, sampleRect);
    engine.beginDraw();
    engine.drawFrame(nullptr);
    engine.endDraw();
    frameimage* frame = makeFrame(sample);
    for (rect empty : {rect{3, 3, 3, 5}, rect{3, 3, 5, 3}, rect{7, 4, 2, 1}}) draw(frame, empty);
    engine.destroyFrame(frame);
    expectUnchanged();
}

TEST_F(SoftEngineDrawing, EnlargedFrameShowsThePixelUnderEachCentre) {
    const greyrows small = {{0x10, 0x20, 0x30}, {0x40, 0x50, 0x60}};
    const int columns[7] = {0, 0, 1, 1, 1, 2, 2};
    const int rows[5] = {0, 0, 1, 1, 1};
    frameimage* frame = makeFrame(small);
    draw(frame, {1, 1, 8, 6});
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(engine.surface().at(1 + x, 1 + y), small[rows[y]][columns[x]] * 0x010101u)
                << x << "," << y;
        }
    }
    EXPECT_EQ(engine.surface().at(0, 0), channelsOf(0, 0));
    EXPECT_EQ(engine.surface().at(8, 5), channelsOf(8, 5));
    engine.destroyFrame(frame);
}

TEST_F(SoftEngineDrawing, ShrunkFrameShowsThePixelUnderEachCentre) {
    const greyrows wide = {{0, 1, 2, 3, 4, 5},
                           {6, 7, 8, 9, 10, 11},
                           {12, 13, 14, 15, 16, 17},
                           {18, 19, 20, 21, 22, 23}};
    frameimage* frame = makeFrame(wide);
    draw(frame, {0, 0, 3, 2});
    const uint8_t expected[2][3] = {{7, 9, 11}, {19, 21, 23}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(engine.surface().at(x, y), expected[y][x] * 0x010101u);
    }
    engine.destroyFrame(frame);
}

TEST_F(SoftEngineDrawing, RectangleReachingOutsideIsClipped) {
    frameimage* frame = makeFrame(sample);
    draw(frame, {-3, -1, 2, 2});  // frame pixels (3, 1) onwards land at (0, 0)
    EXPECT_EQ(engine.surface().at(0, 0), sample[1][3] * 0x010101u);
    EXPECT_EQ(engine.surface().at(1, 1), sample[2][4] * 0x010101u);
    EXPECT_EQ(engine.surface().at(2, 0), channelsOf(2, 0));
    draw(frame,
         {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});  // the surface sits at the frame centre
    EXPECT_EQ(engine.surface().at(9, 5), sample[1][2] * 0x010101u);
    engine.destroyFrame(frame);
}

TEST_F(SoftEngineDrawing, DrawFrameFillsTheClientArea) {
    frameimage* frame = makeFrame({{0x11, 0x22}});
    engine.beginDraw();
    engine.drawFrame(frame);
    engine.endDraw();
    EXPECT_EQ(engine.surface().at(4, 5), 0x111111u);
    EXPECT_EQ(engine.surface().at(5, 0), 0x222222u);
    engine.destroyFrame(frame);
}

TEST_F(SoftEngineDrawing, DamagedPayloadShowsWhatWasDecodedAndBlackAfter) {
    std::vector<uint8_t> code = {3, 0x44, 0, 0, 2, 0x99};  // rows 0 and 1 of the stream, no end
    frameimage* frame =
        engine.createFrame(code.data(), uint32_t(code.size() - 1), 3, 2, 8);  // cut inside a run
    ASSERT_NE(frame, nullptr);
    draw(frame, {0, 0, 3, 2});
    EXPECT_EQ(engine.surface().at(0, 1), 0x444444u);  // bottom row
    EXPECT_EQ(engine.surface().at(0, 0), 0u);
    engine.destroyFrame(frame);
}

TEST_F(SoftEngineDrawing, OutsideAPassDrawsStraightIntoTheWindow) {
    frameimage* frame = makeFrame(sample);
    engine.drawFrameInRect(frame, sampleRect);
    engine.endDraw();  // no pass: presents nothing
    expectUnchanged();
    EXPECT_EQ(engine.presented().at(2, 1), 0u);
    EXPECT_EQ(engine.presented().at(3, 1), 0xFFFFFFu);
    EXPECT_EQ(engine.presented().at(0, 0), 0u);
    engine.destroyFrame(frame);
}

TEST(SoftEngine, ResizeTakesTheClientSizeAndStartsBlack) {
    softengine engine(4, 4);
    engine.surface().pixels.assign(16, 0x123456);
    engine.setClientSize(7, 3);
    EXPECT_EQ(engine.surface().width, 4);  // until resize
    engine.resize();
    EXPECT_EQ(engine.surface().width, 7);
    EXPECT_EQ(engine.surface().height, 3);
    EXPECT_EQ(engine.surface().pixels, std::vector<uint32_t>(21, 0));
    EXPECT_EQ(engine.presented().width, 7);
    EXPECT_EQ(engine.presented().height, 3);
    engine.setClientSize(-1, 5);
    engine.resize();
    EXPECT_EQ(engine.surface().width, 0);
    engine.beginDraw();
    engine.drawBackground();
    engine.endDraw();
}

TEST(SoftEngine, PresentsWhereSurfaceAndWindowOverlap) {
    softengine engine(3, 2);
    const uint8_t code[] = {3, 0x77, 0, 0, 3, 0x77, 0, 1};
    frameimage* frame = engine.createFrame(code, sizeof code, 3, 2, 8);
    engine.setClientSize(2, 3);  // the window changed; the surface waits for resize
    engine.beginDraw();
    engine.drawFrame(frame);
    engine.endDraw();
    EXPECT_EQ(engine.presented().pixels,
              (std::vector<uint32_t>{0x777777, 0x777777, 0x777777, 0x777777, 0, 0}));
    engine.destroyFrame(frame);
}

TEST(SoftEngine, HasNoBackgroundOrText) {
    softengine engine(3, 2);
    engine.surface().pixels.assign(6, 0xABCDEF);
    EXPECT_FALSE(engine.loadBackground(u"picture.png"));
    engine.captureDesktop();
    engine.beginDraw();
    engine.drawBackground();
    engine.drawText(u"Morva", 5);
    EXPECT_EQ(engine.surface().pixels, std::vector<uint32_t>(6, 0xABCDEF));
    engine.endDraw();
}

// The import hands over its own header block and the rows as read from the
// file: 4-byte aligned, bottom-up, colour table not used.
class SoftEngineDib : public ::testing::Test {
protected:
    SoftEngineDib() : engine(3, 2) {
        std::memset(&header, 0, sizeof header);
        header.biSize = 40;
        header.biWidth = 3;
        header.biHeight = 2;
        header.biPlanes = 1;
        header.biBitCount = 8;
        for (auto& entry : header.colourTable) entry[2] = 0xFF;  // all red: must not be seen
    }

    softengine engine;
    bmpinfoheader header;
    //                            bottom row      pad  top row          pad
    const uint8_t rows[8] = {0x10, 0x20, 0x30, 0xEE, 0x40, 0x50, 0x60, 0xEE};
};

// Bottom-up rows with their padding, and top-down rows whose last padding is
// missing, are shown as grey levels.
TEST_F(SoftEngineDib, PixelValuesAreGreyLevels) {
    const std::vector<uint32_t> top = {0x404040, 0x505050, 0x606060}, bottom = {0x101010, 0x202020, 0x303030};
    for (int32_t height : {2, -2}) {
        header.biHeight = height;
        frameimage* frame = engine.createFrameFromDib(&header, rows, height > 0 ? 8 : 7);
        ASSERT_NE(frame, nullptr);
        engine.beginDraw();
        engine.drawFrame(frame);
        engine.endDraw();
        std::vector<uint32_t> expected = height > 0 ? top : bottom;
        const std::vector<uint32_t>& second = height > 0 ? bottom : top;
        expected.insert(expected.end(), second.begin(), second.end());
        EXPECT_EQ(engine.presented().pixels, expected) << height;
        engine.destroyFrame(frame);
    }
}

TEST_F(SoftEngineDib, PicturesItCannotReadAreRefused) {
    EXPECT_EQ(engine.createFrameFromDib(&header, rows, 6), nullptr);  // last row cut short
    EXPECT_EQ(engine.createFrameFromDib(nullptr, rows, 8), nullptr);
    EXPECT_EQ(engine.createFrameFromDib(&header, nullptr, 8), nullptr);
    const std::function<void(bmpinfoheader&)> changes[] = {
        [](bmpinfoheader& h) { h.biBitCount = 24; },    [](bmpinfoheader& h) { h.biCompression = 1; },
        [](bmpinfoheader& h) { h.biWidth = 0; },        [](bmpinfoheader& h) { h.biWidth = -3; },
        [](bmpinfoheader& h) { h.biHeight = 0; },       [](bmpinfoheader& h) { h.biHeight = INT32_MIN; },
        [](bmpinfoheader& h) { h.biHeight = INT32_MAX; },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        bmpinfoheader other = header;
        changes[i](other);
        EXPECT_EQ(engine.createFrameFromDib(&other, rows, 8), nullptr) << "change " << i;
    }
}

}  // namespace
