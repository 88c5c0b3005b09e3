#pragma once
// The Sync page's sample for the window renderer: after the Backup page's sample is
// backed up, files on C: change in every way a comparison tells apart, and the page
// compares the ticked folders and shows the difference list; the compare window is
// drawn with the count of that comparison.

namespace qm {
class TfrmMain;
}

namespace qm::renderwindows {

class TRenderMachine;

// Before the window is made (after the Backup page's sample): the changes on C:.
void makeSyncSample(const TRenderMachine& machine);
// On the Sync page: folders ticked, compared, every row ticked.
void compareSyncSample(TfrmMain& window);

} // namespace qm::renderwindows
