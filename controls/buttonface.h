#pragma once
// The face of every captioned picture button: a rounded body in the skin's light
// gradient with the caption in the deep skin colour; the hover face glows warm. The skin
// generator paints the button pictures with it, and a button whose picture the program
// does not carry gets the same face at run time, so all buttons look alike.

#include <QImage>
#include <QString>

namespace qm {

QImage paintButtonFace(QSize size, const QString& caption, bool hover, int textPixels = 12);

} // namespace qm
