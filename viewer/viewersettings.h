#pragma once

#include <QString>

// What the viewer remembers from one run to the next, in the application's
// settings (section "Settings"): the folder of the last file opened, where
// the Open and Export Picture dialogs start, and whether the open file is
// reloaded when it changes on disk. A view with no application object keeps
// them for the process only. Orthographic and Fast Drawing While Moving,
// too, are remembered.

// The folder of the last file that opened; empty when none is known or the
// folder is gone.
QString lastFileFolder();
// Remembers the folder of path, a file that has just opened.
void rememberFileFolder(const QString& path);

// Reload When Changed: on unless turned off.
bool reloadWhenChanged();
void setReloadWhenChanged(bool on);

// View > Orthographic: off unless turned on.
bool orthographicView();
void setOrthographicView(bool on);

// View > Fast Drawing While Moving: on unless turned off.
bool fastDrawingWhileMoving();
void setFastDrawingWhileMoving(bool on);
