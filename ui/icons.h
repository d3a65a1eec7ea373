#pragma once

#include <QtGlobal>

// The pictures live in a static library, so the program must register them
// once before any window needs one.
inline void InitIcons()
{
    Q_INIT_RESOURCE(icons);
}
