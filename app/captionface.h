#pragma once
// Faces for the main window's picture buttons that carry a caption: a skin picture when
// the program holds one under `skinName`, else a face drawn here in the skin's colours
// with the caption on it (hover faces are lighter), so every button stays readable.

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
