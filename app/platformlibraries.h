// The platform libraries the program starts once per process and never shuts
// down: COM for the user-interface thread, the common controls and GDI+.
#pragma once

void startPlatformLibraries();
