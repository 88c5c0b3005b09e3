#pragma once
// Draws every page of the main window, in both window sizes (see mainpages.h).

namespace qm::renderwindows {

class TRenderMachine;

void renderMainWindow(const TRenderMachine& machine);

} // namespace qm::renderwindows
