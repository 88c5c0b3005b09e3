#include "app/trees/checkfilelist.h"

namespace qm {

void TCheckFileList::setDateFormat(TDTFormat format) {
    dateFormat_ = format;
    datePattern_ = datePattern(format);
    reset();
}

int TCheckFileList::tickedCount() const {
    int count = 0;
    for (int row = 0; row < rowCount(); ++row)
        count += rowChecked(row) ? 1 : 0;
    return count;
}

bool TCheckFileList::tick(int row, bool checked) {
    if (row < 0 || row >= rowCount())
        return false;
    TFileTickOwner* tree = tickOwner();
    if (tree && !tree->changeAllowed())
        return false;
    setChecked(row, checked);
    if (OnItemCheckStateChange)
        OnItemCheckStateChange();
    if (tree)
        tree->fileTicked(directory_, rowName(row), checked, tickedCount(), rowCount());
    return true;
}

void TCheckFileList::columnClick(int column) {
    sort.columnClick(column);
    sortRows();
}

} // namespace qm
