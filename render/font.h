#pragma once

// Built-in 8 x 13 bitmap font, compiled into OpenGL display lists.
//
// g_fontGlyphs holds the glyphs of the character codes 32 (space) to 126 ('~')
// in code order. Byte k of a glyph is pixel row k counted from the bottom; in
// each byte bit 0x80 is the leftmost column. Rows 0 and 1 lie below the
// baseline, rows 2 to 12 above it.
//
// All functions expect a current OpenGL context (compatibility profile). The
// display lists belong to the context they were built in.

extern const unsigned char g_fontGlyphs[95][13];

// First of the 128 consecutive list names reserved for the font; the list of
// character code c is g_fontListBase + c.
extern unsigned int g_fontListBase;
// 1 once the lists exist in the current context.
extern int g_fontReady;

// Builds the 95 glyph lists in the current context, at the font scale.
void BuildFont();

// The font scale: each glyph pixel drawn as scale x scale pixels (1 to 8),
// the advance and the character cells as much larger. Text drawn after a
// change builds the font again at the new scale.
void SetFontScale(int scale);
int FontScale();

// Draws a NUL-terminated string at the current raster position, building the
// font first if needed. Codes outside 32..126 draw nothing and take no space.
// A null text draws nothing.
void DrawTextLists(const char* text);

// Text whose first glyph origin (baseline) is at the world point (x, y, z),
// through the current modelview and projection, in the current colour. Nothing
// is drawn when the point lies outside the view volume.
void DrawText3D(const char* text, double x, double y, double z);

// Text at a position given as fractions of the viewport: (0, 0) bottom-left,
// (1, 1) top-right. Expects the identity on the modelview matrix; leaves the
// matrix mode at GL_MODELVIEW. A null text draws nothing.
void DrawText2D(const char* text, float x, float y);

// Text in the window's grid of character cells (10 x 14 pixels, times the
// font scale): row 0 at the
// top, column 0 at the left. Negative rows count from the bottom (-1 is the
// last row); negative columns align the end of the text (-1 puts the last
// character in the last column). Text that would run past the right edge is
// moved left to end at it. A window smaller than one cell gets no text.
void DrawTextCell(const char* text, int column, int row, int windowWidth, int windowHeight);

// Forgets the font of the current context: deletes the lists when a context is
// current and resets g_fontReady, so the next text builds the font again (in a
// new context after the old one was destroyed).
void ReleaseFont();
