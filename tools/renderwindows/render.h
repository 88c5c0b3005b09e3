#pragma once
// Drawing windows into PNG files for the window renderer.

#include <QString>

class QWidget;

namespace qm::renderwindows {

// Where the pictures go; set once before the first one.
void setOutputFolder(const QString& folder);
// Shows `window`, draws it with its outline (the cut-away parts checkered-grey) into
// "<folder>/<name>.png" and hides it again.
void shoot(QWidget& window, const QString& name);
// False once a picture could not be written.
bool allWritten();

} // namespace qm::renderwindows
