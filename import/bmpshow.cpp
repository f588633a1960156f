// Showing the picture during an import: the engine gets the picture read
// from the file, header and colour table and pixels, not the encoded frame.
#include "codec/gengine.h"
#include "import/bmpfile.h"

bool bmpfile::show(gengine& engine, const rect& target) {
    if (!load()) return false;
    // The image may refer to pixelData: it goes back before the pixels change.
    frameimage* picture = engine.createFrameFromDib(&infoHeader, pixelData.get(), pixelSize());
    if (!picture) return false;
    engine.beginDraw();
    engine.drawBackground();
    engine.drawFrameInRect(picture, target);
    engine.endDraw();
    engine.destroyFrame(picture);
    return true;
}
