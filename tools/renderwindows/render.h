#pragma once
// The renderer's shared pieces: one window to one PNG file in the output folder, and
// the main window's pages drawn over a sandbox machine.

class QString;
class QWidget;

void render(QWidget& window, const QString& name);
void renderMainPages();
