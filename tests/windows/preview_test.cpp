// The still picture and the preview, with a clock the test sets: which frame
// each tick draws, when playback stops and what the progress bar shows.
#include "tests/windows/appfixture.h"

#include "import/frameencoder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using lines = std::vector<std::string>;

// 90 frames played on the Direct2D journal engine in a client area of 600 x 400.
class Preview : public AppTest {
protected:
    void SetUp() override {
        startApp();
        setClientSize(handle(), 600, 400);
        store = numberedStore(90);
        mainWindow().frameSource = store.get();
        log.take();
    }

    // A tick at `elapsed` milliseconds after the start, through the window procedure.
    void tickAt(uint64_t elapsed) {
        now = started + elapsed;
        SendMessageW(handle(), WM_TIMER, reinterpret_cast<WPARAM>(&mainWindow()), 0);
    }

    void start() {
        now = started;
        mainWindow().togglePreview();
    }

    static lines picture(int frame) {
        const std::string number = std::to_string(frame);
        return {"d2d create " + number, "d2d begin", "d2d background",
                "d2d frame " + number + " in (201,33,600,400)", "d2d end", "d2d release " + number};
    }

    HWND bar() { return mainWindow().progressWindow.hwnd; }
    bool barShown() { return visibleStyle(bar()); }
    uint32_t barPosition() { return uint32_t(SendMessageW(bar(), PBM_GETPOS, 0, 0)); }
    uint32_t barMaximum() { return uint32_t(SendMessageW(bar(), PBM_GETRANGE, FALSE, 0)); }

    const uint64_t started = 500000;
    std::unique_ptr<TMPfile> store;
};

TEST_F(Preview, StartShowsTheBarWithTheRangeAndDrawsNothing) {
    start();
    EXPECT_TRUE(mainWindow().playing);
    EXPECT_EQ(mainWindow().playStart, started);
    EXPECT_TRUE(barShown());
    EXPECT_EQ(barMaximum(), 90u);
    EXPECT_EQ(SendMessageW(bar(), PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_TRUE(log.take().empty());
}

TEST_F(Preview, TheFrameFollowsTheClock) {
    start();
    tickAt(33);
    EXPECT_EQ(log.take(), picture(0));
    EXPECT_EQ(barPosition(), 0u);
    tickAt(100);
    EXPECT_EQ(log.take(), picture(3));
    EXPECT_EQ(barPosition(), 3u);
    // A frame lasts longer than a tick: the same frame is drawn again.
    tickAt(116);
    EXPECT_EQ(log.take(), picture(3));
    tickAt(2999);
    EXPECT_EQ(log.take(), picture(89));
    EXPECT_EQ(barPosition(), 89u);
    EXPECT_EQ(log.mostLiveFrames, 1);
    EXPECT_EQ(log.liveFrames, 0);
}

TEST_F(Preview, PlaybackStopsAfterTheLastFrameAndLeavesTheBar) {
    start();
    tickAt(2999);
    log.take();
    tickAt(3000);
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_TRUE(log.take().empty());
    EXPECT_TRUE(barShown());
    EXPECT_EQ(barPosition(), 89u);
    // A tick that was already queued changes nothing.
    tickAt(3016);
    EXPECT_TRUE(log.take().empty());
    // The next Preview command plays from the start again.
    now = started + 10000;
    mainWindow().togglePreview();
    EXPECT_TRUE(mainWindow().playing);
    tickAt(10000);
    EXPECT_EQ(log.take(), picture(0));
}

TEST_F(Preview, SpaceTwiceStopsHidesTheBarAndRestartsFromFrameZero) {
    start();
    tickAt(1000);
    EXPECT_EQ(log.take(), picture(30));
    mainWindow().togglePreview();
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_FALSE(barShown());
    tickAt(1016);
    EXPECT_TRUE(log.take().empty());

    now = started + 1500;
    mainWindow().togglePreview();
    EXPECT_TRUE(mainWindow().playing);
    EXPECT_TRUE(barShown());
    now = started + 1500 + 20;
    SendMessageW(handle(), WM_TIMER, reinterpret_cast<WPARAM>(&mainWindow()), 0);
    EXPECT_EQ(log.take(), picture(0));
}

TEST_F(Preview, WithoutASourcePreviewOnlyStopsAndHidesTheBar) {
    mainWindow().frameSource = nullptr;
    mainWindow().progressWindow.show();
    start();
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_FALSE(barShown());
    tickAt(100);
    EXPECT_TRUE(log.take().empty());
}

TEST_F(Preview, AnEmptyAnimationStopsAtTheFirstTick) {
    auto empty = numberedStore(0);
    mainWindow().frameSource = empty.get();
    start();
    EXPECT_TRUE(barShown());
    EXPECT_EQ(barMaximum(), 0u);
    tickAt(16);
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_TRUE(log.take().empty());
    EXPECT_TRUE(barShown());
}

TEST_F(Preview, AnotherEngineDrawsFromTheNextTickOn) {
    start();
    tickAt(100);
    log.take();
    app->command(IDM_ENGINE_GDI);
    EXPECT_TRUE(mainWindow().playing);
    log.take();
    tickAt(200);
    EXPECT_EQ(log.take(), (lines{"gdi create 6", "gdi begin", "gdi background",
                                 "gdi frame 6 in (201,33,600,400)", "gdi end", "gdi release 6"}));
}

TEST_F(Preview, RemovingTheSourceShowsTheBackgroundAndStopsAtTheNextTick) {
    start();
    tickAt(100);
    log.take();
    // What New does to the window.
    mainWindow().showSource(nullptr);
    EXPECT_EQ(log.take(), (lines{"d2d begin", "d2d background", "d2d end"}));
    EXPECT_TRUE(mainWindow().playing);
    tickAt(200);
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_TRUE(log.take().empty());
    EXPECT_TRUE(barShown());
}

TEST_F(Preview, AnotherSourcePlaysFromTheTimeReached) {
    start();
    tickAt(100);
    auto other = numberedStore(200);
    mainWindow().showSource(other.get());
    log.take();
    tickAt(4000);
    EXPECT_EQ(log.take(), picture(120));
}

// A source that never gives a frame image.
class blanksource : public morvafile {
public:
    frameimage* makeFrame(gengine&, uint32_t) override { return nullptr; }
    uint32_t frameCount() const override { return 90; }
};

TEST_F(Preview, ASourceWithoutFrameImagesStopsQuietly) {
    blanksource blank;
    mainWindow().frameSource = &blank;
    start();
    tickAt(100);
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_TRUE(log.take().empty());
    EXPECT_TRUE(barShown());
}

TEST_F(Preview, AnEngineThatMakesNoImageStopsPlayback) {
    log.refuseFrames = true;
    start();
    tickAt(100);
    EXPECT_FALSE(mainWindow().playing);
    EXPECT_TRUE(log.take().empty());
    EXPECT_EQ(barPosition(), 3u);
}

TEST_F(Preview, StillPictureShowsFrameZeroOfTheSource) {
    mainWindow().showSource(store.get());
    EXPECT_EQ(mainWindow().frameSource, store.get());
    EXPECT_EQ(log.take(), (lines{"d2d begin", "d2d background", "d2d create 0",
                                 "d2d frame 0 in (201,33,600,400)", "d2d end", "d2d release 0"}));
    EXPECT_FALSE(mainWindow().playing);
}

TEST_F(Preview, TheWindowTimerDrivesPlayback) {
    mainWindow().clock = GetTickCount64;
    mainWindow().togglePreview();
    pump(250);
    lines drawn = log.take();
    const auto pictures = std::count(drawn.begin(), drawn.end(), "d2d end");
    // About 15 ticks in 250 ms; a loaded machine delivers fewer.
    EXPECT_GE(pictures, 3);
    EXPECT_LE(pictures, 20);
    mainWindow().togglePreview();
    pump(100);
    EXPECT_TRUE(log.take().empty());
}

// A store whose one frame is `width` x `height` pixels of one grey level.
std::unique_ptr<TMPfile> uniformStore(uint32_t width, uint32_t height, uint8_t level) {
    const std::vector<uint8_t> pixels(size_t(width) * height, level);
    std::vector<uint8_t> payload(size_t(payloadBound(width, height)));
    payload.resize(encodeFrame(pixels.data(), width, height, width, 8, payload.data()));
    auto store = std::make_unique<TMPfile>(u"(new)");
    store->openTempFile();
    store->setFrameSize(int32_t(width), int32_t(height));
    store->appendFrame(payload.data(), uint32_t(payload.size()));
    return store;
}

// GDI+ and Direct2D draw a black background, then the white frame into the
// frame rectangle, which leaves out the free row and column.
class PreviewOnScreen : public ::testing::TestWithParam<engineindex> {};

TEST_P(PreviewOnScreen, TheStillPictureFillsTheFrameRectangleOnly) {
    application app(GetModuleHandleW(nullptr));
    app.start(SW_SHOWNORMAL);
    app.mainWindow->selectEngine(GetParam());
    HWND main = app.mainWindow->hwnd;
    setClientSize(main, 600, 400);
    pump(50);
    // At the frame rectangle's size, so that no scaling softens its edges.
    auto white = uniformStore(399, 367, 255);
    // Under Wine the first Direct2D present after its surface changed can be
    // lost; the picture shows from the next drawing on.
    for (int drawing = 0; drawing < 2; ++drawing) {
        app.mainWindow->showSource(white.get());
        pump(200);
    }

    HDC screen = GetDC(main);
    for (POINT inside : {POINT{201, 33}, POINT{599, 399}, POINT{400, 200}}) {
        EXPECT_EQ(GetPixel(screen, inside.x, inside.y) & 0xFFFFFF, 0xFFFFFFu) << inside.x << "," << inside.y;
    }
    for (POINT outside : {POINT{400, 32}, POINT{200, 200}}) {
        EXPECT_EQ(GetPixel(screen, outside.x, outside.y) & 0xFFFFFF, 0u) << outside.x << "," << outside.y;
    }
    ReleaseDC(main, screen);
}

INSTANTIATE_TEST_SUITE_P(Engines, PreviewOnScreen, ::testing::Values(engineGdiPlus, engineDirect2d));

}  // namespace
