// make-icons: writes the application icon, drawn by the program's own
// artwork code, as PNG files for the desktop's icon theme:
//
//   make-icons FOLDER SIZE...
//
// gives FOLDER/SIZExSIZE/apps/brenvik.png for every size. Needs no display.

#include "app/artwork/artwork.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: make-icons FOLDER SIZE...\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "make-icons: %s is not a size from 16 to 1024\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString path = dir + QStringLiteral("/brenvik.png");
        if (!QDir().mkpath(dir) || !makeApplicationIconImage(size).save(path, "PNG")) {
            std::fprintf(stderr, "make-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
