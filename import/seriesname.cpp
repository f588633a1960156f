#include "import/seriesname.h"

#include <algorithm>

namespace {

// Only the digits the names are written with: a name ending in other digits
// (full-width ones, say) could never be found again.
bool isDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The pieces go through a second formatting stage inside the templates:
// doubling '%' makes them come out as they stand.
std::u16string escaped(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text) {
        out += c;
        if (c == u'%') out += c;
    }
    return out;
}

}  // namespace

seriesname::seriesname(const char16_t* path, uint32_t fileOffset, uint32_t extensionOffset) {
    std::u16string chosen(path ? path : u"");
    if (chosen.size() > size_t(maxLength)) chosen.resize(maxLength);
    const size_t length = chosen.size();
    const size_t nameStart = std::min<size_t>(fileOffset, length);
    hasExtension = extensionOffset > nameStart && extensionOffset <= length &&
                   chosen[extensionOffset - 1] == u'.';
    const size_t baseEnd = hasExtension ? extensionOffset - 1 : length;
    size_t digitsStart = baseEnd;
    // A base of digits alone is all number: the prefix is then empty.
    while (digitsStart > nameStart && isDecimalDigit(chosen[digitsStart - 1])) --digitsStart;

    directory = chosen.substr(0, nameStart);
    prefix = chosen.substr(nameStart, digitsStart - nameStart);
    extension = hasExtension ? chosen.substr(extensionOffset) : u"";
    digits = int32_t(baseEnd - digitsStart);

    const std::u16string safePrefix = escaped(prefix), safeExtension = escaped(extension);
    nameTemplate.format(hasExtension ? u"%%s%s%%0%dd.%s" : u"%%s%s%%0%dd", safePrefix.c_str(),
                        digits, safeExtension.c_str());
    logTemplate.format(hasExtension ? u"File : %s%%0%dd.%s" : u"File : %s%%0%dd",
                       safePrefix.c_str(), digits, safeExtension.c_str());
}

const wtext& seriesname::pathOf(uint32_t n) {
    name.format(nameTemplate.data, directory.c_str(), n);
    return name;
}

const wtext& seriesname::logLineOf(uint32_t n) {
    logLine.format(logTemplate.data, n);
    return logLine;
}

bool seriesname::fits(uint32_t n) const {
    wtext whole(maxLength + 2);
    whole.format(nameTemplate.data, directory.c_str(), n);
    return whole.length <= maxLength;
}
