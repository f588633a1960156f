#include "cli/gifwriter.h"
#include "cli/newfile.h"

#include <gif_lib.h>

struct gifwriter::encoder {
    filehandle& file;
    uint64_t written = 0;
    bool failed = false;
    GifFileType* gif = nullptr;
    int32_t width;
    int32_t height;
};

namespace {

// giflib does not look at the result of every write it makes (the trailer's
// among them): a short one fails the whole file here.
int put(GifFileType* gif, const GifByteType* bytes, int size) {
    auto& state = *static_cast<gifwriter::encoder*>(gif->UserData);
    const uint32_t done = state.file.writeAt(state.written, bytes, uint32_t(size));
    state.written += done;
    if (done < uint32_t(size)) state.failed = true;
    return int(done);
}

// The one colour table: level i is grey i.
bool putScreen(GifFileType* gif, int32_t width, int32_t height) {
    GifColorType greys[256];
    for (int level = 0; level < 256; ++level)
        greys[level] = {GifByteType(level), GifByteType(level), GifByteType(level)};
    ColorMapObject* map = GifMakeMapObject(256, greys);
    const bool done = map && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    return done;
}

// The application extension that makes viewers loop for ever.
bool putLoop(GifFileType* gif) {
    const GifByteType loopForever[3] = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
           EGifPutExtensionBlock(gif, 3, loopForever) == GIF_OK &&
           EGifPutExtensionTrailer(gif) == GIF_OK;
}

}  // namespace

gifwriter::gifwriter(newfile& target, int32_t width, int32_t height)
    : state(new encoder{target.file(), 0, false, nullptr, width, height}) {
    int error = 0;
    state->gif = EGifOpen(state.get(), put, &error);
    if (state->gif) EGifSetGifVersion(state->gif, true);
    if (!state->gif || !putScreen(state->gif, width, height) || !putLoop(state->gif))
        state->failed = true;
}

gifwriter::~gifwriter() {
    int error = 0;
    if (state->gif) EGifCloseFile(state->gif, &error);
}

bool gifwriter::addFrame(const greyframe& frame, uint16_t delay) {
    GraphicsControlBlock timing{DISPOSE_DO_NOT, false, delay, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    EGifGCBToExtension(&timing, extension);
    GifFileType* gif = state->gif;
    bool written = !state->failed &&
                   EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
                   EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, nullptr) == GIF_OK;
    for (int32_t row = frame.height - 1; row >= 0 && written; --row) {  // GIF rows run top-down
        auto* line = const_cast<GifPixelType*>(frame.rows + size_t(row) * frame.stride);
        written = EGifPutLine(gif, line, frame.width) == GIF_OK;
    }
    // A write giflib does not check fails the next frame or the end (the sink saw it).
    return written;
}

bool gifwriter::finish() {
    int error = 0;
    const bool closed = state->gif && EGifCloseFile(state->gif, &error) == GIF_OK;
    state->gif = nullptr;
    return closed && !state->failed;
}
