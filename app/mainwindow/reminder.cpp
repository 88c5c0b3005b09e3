#include "app/mainwindow/reminder.h"

#include "app/stores/settingsstore.h"
#include "platform/datetime.h"

#include <cmath>

namespace qm {

int64_t TReminder::today() {
    return static_cast<int64_t>(std::floor(now()));
}

std::optional<int64_t> TReminder::lastRemind() const {
    std::optional<int64_t> last;
    if (auto stored = TSettingsStore().stored(SettingId::LastRemind))
        last = *stored;
    if (rememberedDay_ && (!last || *rememberedDay_ > *last))
        last = rememberedDay_;
    return last;
}

bool TReminder::TimeToRemind(int days) const {
    const std::optional<int64_t> last = lastRemind();
    if (!last)
        return true;
    return today() >= *last + days;
}

void TReminder::TmrRemindTimer(bool reminderTicked, int days) {
    if (!reminderTicked || windowOpen_ || !TimeToRemind(days))
        return;
    ShowReminder();
}

void TReminder::ShowReminder() {
    const int64_t day = today();
    rememberedDay_ = day;
    if (day >= 0)
        TSettingsStore().setNumber(SettingId::LastRemind, static_cast<uint32_t>(day));
    if (windowOpen_)
        return;
    windowOpen_ = true;
    if (showWindow_)
        showWindow_();
}

} // namespace qm
