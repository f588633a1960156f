// An animated GIF of grey frames that loops forever, written by the
// platform's encoder: giflib, or on Windows the imaging component (WIC).
#pragma once

#include "cli/pictures.h"

#include <cstdint>
#include <memory>

class newfile;

class gifwriter {
public:
    gifwriter(newfile& target, int32_t width, int32_t height);
    ~gifwriter();
    gifwriter(const gifwriter&) = delete;
    gifwriter& operator=(const gifwriter&) = delete;

    // `delay` in hundredths of a second. False once the encoder has failed.
    bool addFrame(const greyframe& frame, uint16_t delay);
    // Ends the file; false when it is not whole.
    bool finish();

    // False when the encoder wrote no frame delays (Wine's does not): the
    // frames then play at each viewer's own speed.
    bool timed = true;

    struct encoder;  // the platform's

private:
    std::unique_ptr<encoder> state;
};
