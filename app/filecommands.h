// The File menu's commands and the BMP series import. They change the
// application's open file, frame store and modified flag, rebuild the title,
// choose what the main window shows and write to the status log.
#pragma once

#include <cstdint>

class application;

void fileNew(application& app);
void fileOpen(application& app);
void fileSave(application& app);
void fileSaveAs(application& app);
void importBmpSeries(application& app);
// The import proper, for the series `path` belongs to; the offsets are where
// its file name and its extension start, as the file dialog reports them.
void importSeries(application& app, const char16_t* path, uint32_t fileOffset,
                  uint32_t extensionOffset);
