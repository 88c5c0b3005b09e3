#pragma once
// The shared look of the skinned windows: the pictures compiled into the programs
// (":/skins/<name>.jpg"), the panel colour and the label font. A picture the program
// lacks is reported once on stderr and replaced by a plain panel-coloured face of the
// asked size, so a window never fails to open over a missing picture.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

class QAbstractButton;

namespace qm {

// Registers the pictures and outlines of this library with Qt's resource system. Safe to
// call any number of times; every loader calls it first.
void ensureControlsResources();

// The panel colour of every skinned window, RGB(124, 146, 193).
QColor skinPanelColor();
// White bold labels: "MS Sans Serif" 8 pt where present, a plain sans face elsewhere.
QFont skinLabelFont();

// A check box or radio button standing on a skin panel: white bold text, while the
// tick keeps the style's own colours (a white text colour from a style sheet would
// paint the tick white on the white box).
void applySkinToggleLook(QAbstractButton& button);

// The picture `name` (no extension), or a plain face of `fallbackSize` when it is missing.
QPixmap skinPicture(const QString& name, QSize fallbackSize = QSize(16, 16));

} // namespace qm
