#pragma once
// makeSkinButton: a picture button with its object name, its face from the skin and the
// face's "_hover" picture, placed in its parent. The parent owns the button.

#include <QPoint>
#include <QSize>
#include <QString>

class QWidget;

namespace qm {

class TImageRegion;

TImageRegion* makeSkinButton(QWidget* parent, const QString& name, const QString& picture,
                             QSize size, QPoint at);

} // namespace qm
