#include "app/filedialog.h"

#include "app/loadstring.h"
#include "resources/resource.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace {

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

const dialogform openMorvaForm = {IDS_OPEN_MORVA_TITLE, IDS_MORVA_FILTER, u"*.mrv", u"mrv",
                                  OFN_LONGNAMES | OFN_EXPLORER | OFN_FILEMUSTEXIST};
const dialogform saveMorvaForm = {IDS_OPEN_MORVA_TITLE, IDS_MORVA_FILTER, u"*.mrv", u"mrv",
                                  OFN_LONGNAMES | OFN_EXPLORER | OFN_NOREADONLYRETURN |
                                      OFN_CREATEPROMPT | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT};
const dialogform openBmpForm = {IDS_OPEN_BMP_TITLE, IDS_BMP_FILTER, u"*.bmp", u"bmp",
                                OFN_LONGNAMES | OFN_EXPLORER | OFN_FILEMUSTEXIST};

BOOL systemFileDialog(OPENFILENAMEW& request) { return GetOpenFileNameW(&request); }

std::function<BOOL(OPENFILENAMEW&)> fileDialog = systemFileDialog;

bool askPath(HWND owner, HINSTANCE instance, const dialogform& form, chosenpath& chosen) {
    const wtext title = loadString(form.titleId);
    const wtext description = loadString(form.filterId);
    // Description, pattern, and an empty entry that ends the list.
    std::u16string filter(description.data, size_t(description.length));
    filter += u'\0';
    filter += form.pattern;
    filter += u'\0';
    filter += u'\0';

    chosen.path.assign(form.pattern);
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.hInstance = instance;
    request.lpstrFilter = wide(filter.c_str());
    request.lpstrFile = reinterpret_cast<wchar_t*>(chosen.path.data);
    request.nMaxFile = pathBufferLength;
    request.lpstrTitle = wide(title.data);
    request.Flags = form.flags;
    request.lpstrDefExt = wide(form.defaultExtension);
    if (!fileDialog(request)) return false;

    char16_t* const first = chosen.path.data;
    char16_t* const end = std::find(first, first + pathBufferLength, u'\0');
    if (end == first || end == first + pathBufferLength) {
        chosen.path.assign(u"");
        return false;
    }
    chosen.path.length = int32_t(end - first);
    chosen.fileOffset = request.nFileOffset;
    chosen.extensionOffset = request.nFileExtension;
    return true;
}

bool systemReplaceQuestion(HWND owner, const char16_t* path) {
    const wtext caption = loadString(saveMorvaForm.titleId);
    const wtext question = loadString(IDS_REPLACE_QUESTION);
    wtext text(question.length + pathBufferLength);
    text.format(question.data, path);
    // No is the default: Enter alone never replaces a file.
    return MessageBoxW(owner, wide(text.data), wide(caption.data),
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

std::function<bool(HWND, const char16_t*)> replaceQuestion = systemReplaceQuestion;

void ensureExtension(chosenpath& chosen, const dialogform& form) {
    const char16_t* const first = chosen.path.data;
    const char16_t* const end = first + chosen.path.length;
    const char16_t* const name = std::find_if(std::make_reverse_iterator(end),
                                              std::make_reverse_iterator(first), isSeparator)
                                     .base();
    if (std::find(name, end, u'.') != end) return;
    chosen.fileOffset = uint32_t(name - first);
    chosen.path.append(u".");
    chosen.extensionOffset = uint32_t(chosen.path.length);
    chosen.path.append(form.defaultExtension);
}
