// The still picture of the frame source and the preview playback. Every
// picture is drawn whole: the background over the client area, then the
// frame scaled into the frame rectangle; the frame image goes back to the
// engine as soon as the picture is presented.
#include "app/mainwindow.h"
#include "shell/playback.h"

void mainwindow::showSource(morvafile* source) {
    frameSource = source;
    engine->beginDraw();
    engine->drawBackground();
    finishPicture(source ? source->makeFrame(*engine, 0) : nullptr);
}

void mainwindow::togglePreview() {
    if (!frameSource || playing) {
        stopPlayback();
        progressWindow.hide();
        return;
    }
    progressWindow.show();
    progressWindow.setRange(frameSource->frameCount());
    playStart = clock();
    SetTimer(hwnd, timerId(), previewTickMilliseconds, nullptr);
    playing = true;
}

void mainwindow::tick() {
    // A tick that was queued before playback stopped.
    if (!playing) return;
    const uint32_t index = frameDue(playStart, clock());
    if (!frameSource || index >= frameSource->frameCount()) {
        stopPlayback();
        return;
    }
    progressWindow.setPosition(index);
    frameimage* frame = frameSource->makeFrame(*engine, index);
    if (!frame) {
        stopPlayback();
        return;
    }
    drawPicture(frame);
}

// Playback that ends by itself leaves the progress bar as it is.
void mainwindow::stopPlayback() {
    KillTimer(hwnd, timerId());
    playing = false;
}

void mainwindow::drawPicture(frameimage* frame) {
    engine->beginDraw();
    engine->drawBackground();
    finishPicture(frame);
}

void mainwindow::finishPicture(frameimage* frame) {
    if (frame) engine->drawFrameInRect(frame, frameRect);
    engine->endDraw();
    if (frame) engine->destroyFrame(frame);
    UpdateWindow(hwnd);
}
