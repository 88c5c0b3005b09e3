#include "setup/formselectfolder.h"

#include "controls/folderlists.h"
#include "controls/imageregion.h"
#include "controls/skin.h"
#include "controls/skinbutton.h"
#include "platform/answerscript.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>

namespace qm {

TFormSelectFolder::TFormSelectFolder(QWidget* owner, TSelectDirModel model)
    : TSkinnedDialog(owner, QSize(369, 232), CornerOutline{1, 0, 0, 0, 10}, true),
      model_(std::move(model)) {
    setObjectName(QStringLiteral("FormSelectFolder"));
    setWindowTitle(QStringLiteral("Select Installation Folder"));
    QWidget* body = panel();
    makeSkinLabel(body, QStringLiteral("lbl_Drives"), QStringLiteral("Drives"))->move(12, 6);
    auto* drives = new QComboBox(body);
    drives->setObjectName(QStringLiteral("dcbDrive"));
    drives->setGeometry(12, 24, 236, 22);
    makeSkinLabel(body, QStringLiteral("lbl_Folders"), QStringLiteral("Folders"))->move(12, 52);
    auto* list = new QListWidget(body);
    list->setObjectName(QStringLiteral("dilFolders"));
    list->setGeometry(12, 70, 236, 128);
    list->setIconSize(QSize(16, 16));
    TImageRegion* ok = makeSkinButton(body, QStringLiteral("imr_Ok_"), QStringLiteral("button_ok"),
                                      {84, 25}, {262, 70});
    TImageRegion* cancel = makeSkinButton(body, QStringLiteral("imr_Cancel_"),
                                          QStringLiteral("button_cancel"), {84, 25}, {262, 104});
    connect(ok, &TImageRegion::clicked, this, [this] { done(1); });
    connect(cancel, &TImageRegion::clicked, this, [this] { done(2); });
    lists_ = new TFolderLists(model_, *drives, *list);
}

void TFormSelectFolder::prepare() {
    lists_->prepare();
}

std::string TFormSelectFolder::resultFolder() const {
    return model_.selectedIndex() >= 0 ? model_.currentFolder() : std::string();
}

int TFormSelectFolder::Execute(std::string& folder) {
    prepare();
    if (exec() != 1)
        return 2;
    folder = resultFolder();
    return 1;
}

bool TFormSelectFolder::Choose(std::string& folder) {
    if (auto scripted = AnswerScript::instance().answerText("Select Installation Folder")) {
        if (scripted->answered)
            folder = scripted->text;
        return scripted->answered;
    }
    TFormSelectFolder picker;
    return picker.Execute(folder) == 1;
}

} // namespace qm
