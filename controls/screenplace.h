#pragma once
// CentreOnScreen: puts a top-level window in the middle of the primary screen's
// available area, as the skinned windows open. A window system with a window manager
// may still move it; without one (a bare X server) it would otherwise sit at 0,0.

class QWidget;

namespace qm {

void CentreOnScreen(QWidget& window);

} // namespace qm
