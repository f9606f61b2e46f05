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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format ? format : suffix.constData(), quality))
        return false;
    return FileUtils::WriteFileAtomic(fileName, bytes.toStdString());
}

} // namespace ImageFile
