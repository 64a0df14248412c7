// The program's pictures: SVG drawings in the resource ":/pictures", looked up by name and
// rendered at a device pixel ratio, each rendering cached per name, size and ratio.
#pragma once

#include <QPixmap>
#include <QString>

// The picture `name` (the file name without ".svg") drawn `size` logical pixels square at
// `ratio`; the pixmap carries the ratio. A null pixmap for an unknown name.
QPixmap LyPicture(const QString& name, int size, qreal ratio);
// Renderings made so far (the cache's size).
int LyPictureRenderCount();
