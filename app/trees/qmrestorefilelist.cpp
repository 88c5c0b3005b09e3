#include "app/trees/qmrestorefilelist.h"

namespace qm {

TQMRestoreFileList::TQMRestoreFileList(TQMRestoreFileListModel& model, QWidget* parent,
                                       const char* objectName)
    : TCheckFileListView(model,
                         {{"Name", 165, Qt::AlignLeft},
                          {"Modified", 115, Qt::AlignLeft, true},
                          {"Size", 75, Qt::AlignRight}},
                         parent),
      model_(model) {
    setObjectName(QString::fromLatin1(objectName));
}

} // namespace qm
