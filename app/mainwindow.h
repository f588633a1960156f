// The main window: the status log on the left, the progress bar and the frame
// area on the right, the one engine that draws there, and the preview.
#pragma once

#include "animfile/morvafile.h"
#include "app/editbox.h"
#include "app/enginetable.h"
#include "app/progressbar.h"
#include "app/window.h"
#include "codec/gengine.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

class mainwindow : public window {
public:
    // Reads the instance from the registered application.
    mainwindow();
    // Lets go of the frame source (the application owns it), then destroys
    // the children, the engine and the window.
    ~mainwindow();

    // Registers the window class, starts COM, the common controls and GDI+,
    // and asks once whether Direct2D is available.
    void registerClass();
    // Creates the window where the system places it, its children and the
    // first engine, then shows the window.
    void createWindows(int showCommand);
    // Direct2D where available, else GDI+; the Direct2D item is grayed where
    // it is not.
    void makeFirstEngine();

    void onSize() override { layout(); }
    void onTimer() override { tick(); }
    void layout();

    // Replaces the engine with a new one of the kind, with its fixed settings.
    void selectEngine(engineindex kind);
    // Check marks of the Settings menu; nothing else of the items changes.
    void checkEngine(engineindex kind);
    void updateDepthMenu(int32_t depth);
    // So that Direct2D cannot be chosen where it is not available.
    void grayDirect2dItem();

    // Makes `source` (or none) the animation shown and draws its first frame.
    void showSource(morvafile* source);
    // The Preview command: stops a running preview, or starts one from frame 0.
    void togglePreview();
    // One preview step: draws the frame due, or ends playback.
    void tick();

    HINSTANCE instance;
    bool direct2dAvailable = false;
    std::unique_ptr<gengine> engine;
    morvafile* frameSource = nullptr;
    uint64_t playStart = 0;
    bool playing = false;
    editbox logWindow;
    progressbar progressWindow;
    rect frameRect{};

    // Replaceable for tests: how engines are made, and the clock in
    // milliseconds that paces the preview and the import's drawing.
    enginefactory engines = systemEngines();
    std::function<uint64_t()> clock = GetTickCount64;

private:
    void createLogWindow(const rect& area);
    void createProgressWindow(const rect& area);
    void drawPicture(frameimage* frame);
    void finishPicture(frameimage* frame);
    void stopPlayback();
    UINT_PTR timerId() const { return reinterpret_cast<UINT_PTR>(this); }
};
