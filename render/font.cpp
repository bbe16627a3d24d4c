#include "render/font.h"

#include <QOpenGLContext>

#include <GL/gl.h>

#include <climits>
#include <cstring>
#include <vector>

unsigned int g_fontListBase = 0;
int g_fontReady = 0;

namespace {

constexpr int kFirstGlyph = 32;
constexpr int kLastGlyph = 126;
constexpr int kReservedLists = 128;
constexpr int kGlyphWidth = 8;
constexpr int kGlyphHeight = 13;
constexpr float kGlyphBaselineRow = 2.0f;
constexpr float kGlyphAdvance = 10.0f;

// Context the lists were built in; only there may they be deleted.
const QOpenGLContext* g_fontContext = nullptr;
// The scale text is drawn at, and the one the lists were built at.
int g_requestedScale = 1;
int g_builtScale = 1;
constexpr int kMaxScale = 8;

// A glyph with every pixel made scale x scale pixels, rows of `scale` bytes.
std::vector<unsigned char> scaledGlyph(const unsigned char* glyph, int scale)
{
    const int rowBytes = scale; // 8 * scale bits
    std::vector<unsigned char> out(static_cast<std::size_t>(kGlyphHeight * scale * rowBytes), 0);
    for (int row = 0; row < kGlyphHeight; ++row) {
        for (int column = 0; column < kGlyphWidth; ++column) {
            if ((glyph[row] & (0x80 >> column)) == 0)
                continue;
            for (int dy = 0; dy < scale; ++dy) {
                unsigned char* line = out.data() + static_cast<std::size_t>((row * scale + dy) * rowBytes);
                for (int dx = 0; dx < scale; ++dx) {
                    const int x = column * scale + dx;
                    line[x / 8] = static_cast<unsigned char>(line[x / 8] | (0x80 >> (x % 8)));
                }
            }
        }
    }
    return out;
}

void deleteListsIfCurrent()
{
    if (g_fontReady && g_fontContext != nullptr && QOpenGLContext::currentContext() == g_fontContext)
        glDeleteLists(g_fontListBase, kReservedLists);
}

} // namespace

void BuildFont()
{
    // A second build in the same context replaces the old lists instead of
    // leaking them.
    deleteListsIfCurrent();

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLuint base = glGenLists(kReservedLists);
    if (base == 0) {
        // No names available (or no usable context): leave the font unbuilt
        // rather than compiling glyphs into names owned by someone else.
        g_fontReady = 0;
        g_fontContext = nullptr;
        return;
    }
    g_fontListBase = base;
    const int scale = g_requestedScale;
    const auto s = static_cast<float>(scale);
    for (int c = kFirstGlyph; c <= kLastGlyph; ++c) {
        glNewList(g_fontListBase + c, GL_COMPILE);
        if (scale == 1) {
            glBitmap(kGlyphWidth, kGlyphHeight, 0.0f, kGlyphBaselineRow, kGlyphAdvance, 0.0f,
                     g_fontGlyphs[c - kFirstGlyph]);
        } else {
            const std::vector<unsigned char> glyph = scaledGlyph(g_fontGlyphs[c - kFirstGlyph], scale);
            glBitmap(kGlyphWidth * scale, kGlyphHeight * scale, 0.0f, kGlyphBaselineRow * s, kGlyphAdvance * s, 0.0f,
                     glyph.data());
        }
        glEndList();
    }
    g_builtScale = scale;
    g_fontContext = QOpenGLContext::currentContext();
    g_fontReady = 1;
}

void DrawTextLists(const char* text)
{
    if (text == nullptr)
        return;
    if (!g_fontReady || g_builtScale != g_requestedScale)
        BuildFont();
    if (!g_fontReady)
        return;

    // Codes from 128 up would name lists beyond the 128 reserved for the font,
    // which may belong to other drawing; leave them out. Codes below 32 and 127
    // name reserved but empty lists and draw nothing by themselves.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    unsigned char chunk[256];
    GLsizei count = 0;

    glPushAttrib(GL_LIST_BIT);
    glListBase(g_fontListBase);
    for (;; ++bytes) {
        const unsigned char c = *bytes;
        if (c == 0 || count == static_cast<GLsizei>(sizeof chunk)) {
            if (count > 0)
                glCallLists(count, GL_UNSIGNED_BYTE, chunk);
            count = 0;
            if (c == 0)
                break;
        }
        if (c < kReservedLists)
            chunk[count++] = c;
    }
    glPopAttrib();
}

void DrawText3D(const char* text, double x, double y, double z)
{
    glRasterPos3d(x, y, z);
    DrawTextLists(text);
}

void DrawText2D(const char* text, float x, float y)
{
    if (text == nullptr)
        return;

    glPushAttrib(GL_TEXTURE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);

    glRasterPos2f(x, y);
    DrawTextLists(text);

    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void SetFontScale(int scale)
{
    g_requestedScale = scale < 1 ? 1 : (scale > kMaxScale ? kMaxScale : scale);
}

int FontScale()
{
    return g_requestedScale;
}

void DrawTextCell(const char* text, int column, int row, int windowWidth, int windowHeight)
{
    const int cellWidth = 10 * g_requestedScale;
    const int cellHeight = 14 * g_requestedScale;

    if (text == nullptr)
        return;
    const long long rows = windowHeight / cellHeight;
    const long long columns = windowWidth / cellWidth;
    if (rows <= 0 || columns <= 0)
        return;

    long long r = row;
    if (r >= rows)
        r = rows - 1;
    if (r < 0)
        r += rows;
    if (r < 0)
        r = 0;

    const long long len = static_cast<long long>(std::strlen(text));
    long long c = column;
    if (c < 0)
        c = columns + c - len + 1;
    if (c + len > columns)
        c = columns - len;
    if (c < 0)
        c = 0;

    const long long flipped = rows - 1 - r;
    DrawText2D(text, static_cast<float>(c) / static_cast<float>(columns),
               static_cast<float>(flipped) / static_cast<float>(rows));
}

void ReleaseFont()
{
    deleteListsIfCurrent();
    g_fontReady = 0;
    g_fontContext = nullptr;
}
