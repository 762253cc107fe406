// Error log: the debugger output, or "OGLError.txt" once the setting asks for it.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "wgl.h"

DWORD __wglErrorLogSetting;
static HANDLE logFile = INVALID_HANDLE_VALUE;

void __wglReadErrorLogSetting(void) {
    const char* s = getenv("__GL_ERROR_LOG");
    __wglErrorLogSetting = s ? (DWORD)strtol(s, nullptr, 10) : __wglReadRegistryDword("ErrorLog");
}

static void writeLine(const char* line) {
    if (__wglErrorLogSetting && logFile == INVALID_HANDLE_VALUE) {
        SECURITY_ATTRIBUTES sa = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
        logFile = CreateFileA("OGLError.txt", GENERIC_WRITE, 0, &sa, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (logFile == INVALID_HANDLE_VALUE) {
        OutputDebugStringA(line);
    } else {
        DWORD written;
        WriteFile(logFile, line, (DWORD)strlen(line), &written, nullptr);
    }
}

// Formats into a 256-character line; a long text is cut but keeps its newline.
static void writeFormatted(const char* prefix, const char* text) {
    char line[256];
    int n = snprintf(line, sizeof line, "%s%s\n", prefix, text);
    if (n < 0) return;
    if ((size_t)n >= sizeof line) line[sizeof line - 2] = '\n';
    writeLine(line);
}

void __wglLogMessage(const char* text) { writeFormatted("WGL Message:", text); }

void __wglLogError(const char* text) { writeFormatted("OGL ERR:", text); }

void __wglSystemError(const char* callName, DWORD code) {
    char text[256];
    snprintf(text, sizeof text, "System Error: (%d):%s", (int)code, callName);
    __wglLogMessage(text);
    SetLastError(code | WGL_ERROR_BASE);
}
