// Pictures decoded by the core, as images the toolkit can show.
#pragma once

#include <QImage>

#include "Picture.h"

// An empty picture gives a null image.
QImage ToQImage(const orandu::Picture& picture);
