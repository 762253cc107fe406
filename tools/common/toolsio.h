// Small helpers shared by the tools' readers and writers.
#ifndef TOOLS_TOOLSIO_H
#define TOOLS_TOOLSIO_H

#include <stdio.h>

// fopen for the tools' relative paths ("mdg\\x.mdg"): backslashes are directory separators on
// every platform.
FILE *ToolsOpenFile(const char *path, const char *mode);

#endif  // TOOLS_TOOLSIO_H
