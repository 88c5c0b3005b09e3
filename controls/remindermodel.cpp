#include "controls/remindermodel.h"

#include <algorithm>

namespace qm {

QPoint TReminderModel::place(std::optional<QRect> trayRect, const QRect& available, QSize size) {
    const int right = available.x() + available.width() - size.width();
    const int bottom = available.y() + available.height() - size.height();
    if (!trayRect || !trayRect->isValid())
        return {right, bottom};
    const int x = std::clamp(trayRect->left() - 135, available.x(), std::max(available.x(), right));
    const int y = std::clamp(trayRect->top() - 80, available.y(), std::max(available.y(), bottom));
    return {x, y};
}

bool TReminderModel::imr_BackupClick() {
    if (onBackup)
        onBackup();
    return true;
}

bool TReminderModel::Imr_CancelClick() {
    if (onTurnOff)
        onTurnOff();
    return true;
}

} // namespace qm
