// Shell shortcut (.LNK) files.
#pragma once

// Writes a shortcut file `linkFile` pointing at `target`, with the target's
// folder as working directory, the given arguments (null: none) and show
// number (1 normal, 2 minimised, 3 maximised, other: unset). True when the
// file was saved; nothing is written otherwise.
bool CreateShortcut(const char* target, const char* linkFile, const char* arguments,
                    int showNumber);
