#include "app/drivecombo.h"

#include "app/drivepoll.h"
#include "app/mediadrives.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QSignalBlocker>

namespace qm {

void refillDriveCombo(QComboBox& combo, const TDriveChange& change) {
    if (combo.view() && combo.view()->isVisible())
        return;
    QStringList items;
    for (const std::string& caption : change.mediaCaptions)
        items << QString::fromStdString(caption);
    const int index = DriveComboIndex(change.mediaCaptions, change.currentCaption);
    QStringList shown;
    for (int i = 0; i < combo.count(); ++i)
        shown << combo.itemText(i);
    if (shown == items && combo.currentIndex() == index)
        return;
    const QSignalBlocker quiet(combo);
    combo.clear();
    combo.addItems(items);
    combo.setCurrentIndex(index);
}

} // namespace qm
