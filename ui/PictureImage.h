// Pictures decoded by the core, as images the toolkit can show.
#pragma once

#include <QImage>

#include "region/picture/Picture.h"

// An empty picture gives a null image. Throws OranduError "画像が大きすぎます (W x H ピクセル)"
// when there is no memory for the image.
QImage ToQImage(const orandu::Picture& picture);
