#include "app/drives/drivecombo.h"

#include "app/common/captionface.h"
#include "app/common/pagewidgets.h"
#include "controls/imageregion.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace qm {

void showDriveItems(QComboBox& combo, const std::vector<std::string>& items, int index) {
    if (combo.view() && combo.view()->isVisible())
        return; // never change a list the user has open
    QStringList wanted;
    for (const std::string& caption : items)
        wanted << QString::fromStdString(caption);
    QStringList shown;
    for (int i = 0; i < combo.count(); ++i)
        shown << combo.itemText(i);
    if (shown == wanted && combo.currentIndex() == index)
        return;
    const QSignalBlocker quiet(combo);
    if (shown != wanted) {
        combo.clear();
        combo.addItems(wanted);
    }
    combo.setCurrentIndex(index);
}

void dropDownOpens(TImageRegion* button, QComboBox* combo) {
    QObject::connect(button, &TImageRegion::clicked, combo, [combo] {
        if (!combo->view()->isVisible())
            combo->showPopup();
    });
}

QWidget* makeDriveRow(QWidget* page, const TDriveRowNames& names, QComboBox*& combo) {
    auto* top = new QWidget(page);
    auto* grid = new QGridLayout(top);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    if (names.captionName)
        grid->addWidget(whiteLabel(top, names.captionName, QString::fromLatin1(names.captionText)),
                        1, 0, Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(
        whiteLabel(top, names.driveLabelName, QString::fromLatin1(names.driveLabelText)), 0, 2, 1,
        2, Qt::AlignLeft);
    combo = named(new QComboBox(top), names.comboName);
    combo->setToolTip(QStringLiteral("Select Media Drive letter"));
    combo->setMinimumWidth(120);
    grid->addWidget(combo, 1, 2);
    auto* drop = makeCaptionButton(top, names.dropName, QStringLiteral("button_dropdown"),
                                   QStringLiteral("v"), QSize(24, 24), {});
    grid->addWidget(drop, 1, 3);
    grid->setColumnStretch(1, 1);
    dropDownOpens(drop, combo);
    return top;
}

} // namespace qm
