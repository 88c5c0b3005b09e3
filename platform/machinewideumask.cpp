#include "platform/machinewideumask.h"

#include <sys/stat.h>
#include <unistd.h>

namespace qm {

MachineWideUmask::MachineWideUmask() {
    if (::geteuid() != 0)
        return;
    before_ = ::umask(022);
    ::umask(before_ & 022);
    changed_ = true;
}

MachineWideUmask::~MachineWideUmask() {
    if (changed_)
        ::umask(before_);
}

} // namespace qm
