#pragma once
// What the install wizard and the uninstall window share: a borderless window of a fixed
// size, centred on the screen, under a background picture that drags it, with wrapped
// captions in the skin's label face.

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace qm {

// Gives `window` its name and size, centres it and lays the background picture `picture`
// (object `backgroundName`) over all of it; returns the background.
QLabel* dressSetupWindow(QWidget& window, const char* objectName, QSize size,
                         const char* backgroundName, const char* picture);

// A caption at `at` that wraps its words.
QLabel* setupLabel(QWidget* parent, const char* name, const QString& text, QRect at);

} // namespace qm
