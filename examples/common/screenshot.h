/* Screenshots: the viewport of the GL read buffer as a 24-bit .bmp in the current directory. */
#ifndef SCREENSHOT_H
#define SCREENSHOT_H

/* Writes shot001.bmp, shot002.bmp, ... in turn; FALSE when the file cannot be written. */
BOOL SaveScreenshot(void);

#endif
