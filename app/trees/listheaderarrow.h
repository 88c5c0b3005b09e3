#pragma once
// The small arrow pictures the file lists show in the header of their sort column,
// "Bmp_Up28" (descending) and "Bmp_Down28" (ascending), drawn once.

#include <QPixmap>

namespace qm {

// The picture of an arrow name; a null pixmap for any other name (no arrow).
QPixmap listHeaderArrow(const char* name);

} // namespace qm
