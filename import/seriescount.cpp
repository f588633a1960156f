#include "import/seriescount.h"

#include "animfile/tmpfile.h"
#include "import/bmpfile.h"
#include "import/seriesname.h"

namespace {

seriescount refused(bmpfile& reader, const wtext& line) {
    reader.closeFile();
    seriescount found;
    found.refusal.assign(line.data, size_t(line.length));
    return found;
}

}  // namespace

seriescount countSeries(seriesname& names, bmpfile& reader, uint32_t room, serieslog& log) {
    wtext line{seriesname::maxLength + 1};
    line.format(u"Directory %s", names.directory.c_str());
    log.log(line);
    seriescount found;
    for (uint32_t n = 0;; ++n) {
        log.showPassing(names.logLineOf(n));
        if (!reader.open(names.pathOf(n).data)) {
            // A deep folder ends the series where the numbers grow a digit:
            // say so rather than let it look like a missing picture.
            if (!names.fits(n)) {
                line.format(u"BMP #%d and later have names longer than %d characters", n,
                            seriesname::maxLength);
                log.log(line);
            }
            break;
        }
        if (n == room) {
            line.format(u"BMP #%d and later exceed the frame limit of %d", n, TMPfile::maxFrames);
            log.log(line);
            break;
        }
        if (!reader.readHeaders()) {
            line.format(u"%s : %s", names.logLineOf(n).data, reader.unreadable());
            return refused(reader, line);
        }
        // Picture 0 sets the size; a later one of another size is refused, width first.
        const int32_t width = reader.info().biWidth, height = reader.info().biHeight;
        if (n == 0) {
            found.width = width;
            found.height = height;
        } else if (width != found.width) {
            line.format(u"BMP #%d had invlid width %d instead %d", n, width, found.width);
            return refused(reader, line);
        } else if (height != found.height) {
            line.format(u"BMP #%d has invalid height %d instead %d", n, height, found.height);
            return refused(reader, line);
        }
        found.total = n + 1;
    }
    reader.closeFile();
    line.format(u"Total %d files exists.", found.total);
    log.log(line);
    found.taken = true;
    return found;
}
