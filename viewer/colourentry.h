#pragma once

// Colour entry: a colour is shown as "%3.2f, %3.2f, %3.2f", edited in the text
// entry dialog under the prompt "Three floats", and read back with the
// "%f, %f, %f" rules (components read before the first mismatch are stored,
// the rest keep their values; no range check). Always with '.' as the decimal
// point, whatever the locale.

constexpr int kColourTextSize = 32; // 31 characters and the terminator

// The text last shown to and typed by the user for each colour command.
extern char g_bgColorText[kColourTextSize];
extern char g_meshColorText[kColourTextSize];
extern char g_infoColorText[kColourTextSize];
extern char g_modelColorText[kColourTextSize];

void formatColourText(char text[kColourTextSize], const float color[3]);
void parseColourText(const char* text, float color[3]);

// Formats color into text, runs the dialog with the given caption, and on
// confirmation copies the reply into text and parses it into color.
// Returns true when the user confirmed (the caller then draws a frame),
// false when the user cancelled (nothing changed).
bool RunColourCommand(float color[3], char text[kColourTextSize], const char* caption);
