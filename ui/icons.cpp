#include "icons.h"

#include <QImageReader>

QPixmap LoadPicture(const QString &resource)
{
    QImageReader reader(resource, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QIcon LoadIcon(const QString &resource)
{
    return QIcon(LoadPicture(resource));
}
