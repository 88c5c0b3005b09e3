#pragma once
// The job runner and the windows of a run: the runner mid-run, the password window in
// both modes, the revision window with a date list open, the summary window.

namespace qm::renderwindows {

void renderJobWindows();

} // namespace qm::renderwindows
