#pragma once
// MachineWideUmask: while it lives, what a program run by root makes may be read by every
// user of the machine (the umask keeps only its bits against writing). Root installs and
// updates programs, help pages, menu entries and the folders that hold them for all
// users: an administrator's umask of 077 must not make them root's alone. Nothing
// changes for a program that does not run as root. The umask is the process's: one
// thread changes files while it lives.

#include <sys/types.h>

namespace qm {

class MachineWideUmask {
  public:
    MachineWideUmask();
    ~MachineWideUmask();
    MachineWideUmask(const MachineWideUmask&) = delete;
    MachineWideUmask& operator=(const MachineWideUmask&) = delete;

  private:
    bool changed_ = false;
    mode_t before_ = 0;
};

} // namespace qm
