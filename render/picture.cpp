#include "render/picture.h"

#include <QImage>
#include <QSaveFile>

#include <GL/gl.h>

#include <cstring>

std::vector<unsigned char> ReadBackPicture(int width, int height)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width > 0 ? width : 0) * (height > 0 ? height : 0) * 3);
    if (rgb.empty())
        return rgb;
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

bool WritePicture(const QString& path, const std::vector<unsigned char>& rgb, int width, int height, const char* format,
                  QString* reason)
{
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    if (width <= 0 || height <= 0 || rgb.size() < row * height) {
        if (reason)
            *reason = QStringLiteral("there is no picture to write");
        return false;
    }
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), rgb.data() + static_cast<std::size_t>(height - 1 - y) * row, row);

    // Written beside the target under another name and renamed over it only
    // when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    const bool jpeg = std::strcmp(format, "JPEG") == 0;
    if (!image.save(&file, format, jpeg ? 95 : -1)) {
        if (reason)
            *reason = file.error() != QFileDevice::NoError ? file.errorString()
                                                           : QStringLiteral("the picture could not be encoded");
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    return true;
}
