#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The pictures live in a static library, so the program must register them
// once before any window needs one.
inline void InitIcons()
{
    Q_INIT_RESOURCE(icons);
}

// One of the program's own PNG pictures. It is read as PNG outright: left
// to guess, the image reader would first load every image format plugin
// installed to ask each whether it reads the file.
QPixmap LoadPicture(const QString &resource);
QIcon LoadIcon(const QString &resource);
