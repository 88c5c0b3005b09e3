#pragma once
// The Backup page's sample and the restore tree for the window renderer: a folder tree
// on C: with files of every size, backed up for real to the media drive E:, so the
// restore tree shows a catalogue the engine wrote.

namespace qm {
class TfrmMain;
}

namespace qm::renderwindows {

class TRenderMachine;

// Before the window is made: the files on C: and their backup on E:.
void makeBackupSample(const TRenderMachine& machine);
// On the Backup page: folders and a file ticked, a folder's files shown.
void tickBackupSample(TfrmMain& window);
// The restore tree and its file list over E:'s catalogue, as the Restore page holds them.
void renderRestoreTree();

} // namespace qm::renderwindows
