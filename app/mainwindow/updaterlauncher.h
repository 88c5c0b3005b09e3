#pragma once
// TUpdaterLauncher: starts the update client hidden ("-w") when it has not run for more
// than 14 days, judged by the day it stores under "\SOFTWARE\Quillmoor\Update". It starts
// it only when its program file exists and the copy started last is no longer running.
// The process start and the liveness test are injected; owns nothing else.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class TUpdaterLauncher {
  public:
    // Starts `program` detached with `args`; returns its process id, or nothing.
    using Launch = std::function<std::optional<int64_t>(const std::string& program,
                                                        const std::vector<std::string>& args)>;
    using IsRunning = std::function<bool(int64_t pid)>;

    TUpdaterLauncher(std::string programFolder, Launch launch, IsRunning isRunning);

    // More than 14.0 days between the updater's stored day and now (either way).
    bool due() const;
    // The hourly check: returns true when the updater was started.
    bool RunUpdater();
    std::string updaterPath() const;

    static constexpr double kDaysBetweenRuns = 14.0;

  private:
    std::string programFolder_;
    Launch launch_;
    IsRunning isRunning_;
    std::optional<int64_t> startedPid_;
};

} // namespace qm
