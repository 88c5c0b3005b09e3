#pragma once
// Faces for the main window's picture buttons that carry a caption: a skin picture when
// the program holds one under `skinName`, else the skin's button face painted with the
// caption (controls/buttonface.h), so a button without a picture of its own still looks
// like every other button.

#include <QPixmap>
#include <QString>

class QWidget;

namespace qm {

class TImageRegion;

QPixmap captionFace(const QString& skinName, const QString& caption, QSize size, bool hover);

// A picture button named `name` with both faces, a hint, child of `parent`.
TImageRegion* makeCaptionButton(QWidget* parent, const char* name, const QString& skinName,
                                const QString& caption, QSize size, const QString& hint);

} // namespace qm
