#pragma once
// The shared look of the skinned windows: the pictures compiled into the programs
// (":/skins/<name>.jpg"), the panel colour and the label font. A picture the program
// lacks is reported once on stderr and replaced by a plain panel-coloured face of the
// asked size, so a window never fails to open over a missing picture.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

class QWidget;

namespace qm {

// Registers the pictures and outlines of this library with Qt's resource system. Safe to
// call any number of times; every loader calls it first.
void ensureControlsResources();

// The panel colour of every skinned window, RGB(124, 146, 193).
QColor skinPanelColor();
// White bold labels: "MS Sans Serif" 8 pt where present, a plain sans face elsewhere.
QFont skinLabelFont();

// White captions for a check box, radio button or group title on the panel colour. Only
// the caption colours change: a style sheet "color" would also paint the tick and the
// radio dot white on their white boxes, where the user cannot see which option is on.
void setWhiteCaption(QWidget* widget);

// The picture `name` (no extension), or a plain face of `fallbackSize` when it is missing.
QPixmap skinPicture(const QString& name, QSize fallbackSize = QSize(16, 16));

} // namespace qm
