#include "platform/ImageFile.h"

#include "model/FileUtils.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImage>

namespace ImageFile {

bool Save(const QImage& image, const std::string& fileName, const char* format, int quality)
{
    const QByteArray suffix = QFileInfo(QString::fromStdString(fileName)).suffix().toLatin1();
    std::string bytes;
    return Encode(image, format ? format : suffix.constData(), bytes, quality)
           && FileUtils::WriteFileAtomic(fileName, bytes);
}

bool Encode(const QImage& image, const char* format, std::string& bytes, int quality)
{
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality))
        return false;
    bytes = encoded.toStdString();
    return true;
}

} // namespace ImageFile
