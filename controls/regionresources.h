#pragma once
// TRegionResurces: shapes a window with one of the outlines compiled into the program
// ("REGION1" for the 790 x 580 main window, "REGION2" for the 1010 x 750 one). The data
// is read from the program's resources and checked before use; damaged data leaves the
// window rectangular and says so in a message box.

#include "platform/regiondata.h"

#include <QByteArray>
#include <QString>
#include <optional>

class QWidget;

namespace qm {

class TRegionResurces {
  public:
    // The raw outline `name` as the program holds it, or nothing when it holds none.
    static std::optional<QByteArray> rawData(const QString& name);

    // Shapes `control` with the outline `name`. A name the program does not hold changes
    // nothing and shows nothing. Returns true when the outline was applied.
    static bool ApplyRegion(QWidget* control, const QString& name);

    // Shapes `control` with the outline in `bytes`; damaged data makes the window
    // rectangular and shows a message naming the outline and the fault.
    static bool applyRegionBytes(QWidget* control, const QString& name, const QByteArray& bytes);
};

} // namespace qm
