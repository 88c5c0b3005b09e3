#include "app/mainwindow/updaterlauncher.h"

#include "platform/datetime.h"
#include "platform/productkeys.h"
#include "platform/programfiles.h"
#include "platform/registry.h"

#include <cmath>
#include <sys/stat.h>

namespace qm {

namespace {

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

TUpdaterLauncher::TUpdaterLauncher(std::string programFolder, Launch launch, IsRunning isRunning)
    : programFolder_(std::move(programFolder)), launch_(std::move(launch)),
      isRunning_(std::move(isRunning)) {}

std::string TUpdaterLauncher::updaterPath() const {
    return hostProgramPath(programFolder_, kUpdaterName);
}

bool TUpdaterLauncher::due() const {
    double last = 0;
    Registry registry;
    uint32_t stored = 0;
    if (registry.openKeyReadOnly(kUpdateKey) &&
        registry.readDword(kUpdateDayValue, stored) == RegistryStatus::Ok)
        last = stored;
    return std::fabs(last - now()) > kDaysBetweenRuns;
}

bool TUpdaterLauncher::RunUpdater() {
    if (!due())
        return false;
    if (startedPid_ && isRunning_ && isRunning_(*startedPid_))
        return false;
    startedPid_.reset();
    const std::string program = updaterPath();
    if (!isRegularFile(program) || !launch_)
        return false;
    startedPid_ = launch_(program, {"-w"});
    return startedPid_.has_value();
}

} // namespace qm
