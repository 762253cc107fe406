// The open and save file dialog of both tools' load and save commands.
#ifndef TOOLS_FILEDIALOG_H
#define TOOLS_FILEDIALOG_H

// Runs the open dialog (`open` 1) or the save dialog with one filter, `description` and
// `pattern`. On 1, `name` holds the chosen file's name and `directory` its directory with the
// trailing separator, so that directory followed by name is the full path; both buffers hold
// MAX_PATH characters. 0 when the dialog is cancelled or fails.
int RunFileDialog(int open, char *name, char *directory, const char *description, const char *pattern);

#endif  // TOOLS_FILEDIALOG_H
