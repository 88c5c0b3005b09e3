#include "controls/frmselectdir.h"

#include "controls/folderlists.h"
#include "controls/imageregion.h"
#include "controls/skin.h"
#include "controls/skinbutton.h"
#include "platform/answerscript.h"

#include <QComboBox>
#include <QListWidget>

namespace qm {

namespace {

std::function<void()>& bringUpMainWindow() {
    static std::function<void()> bringUp;
    return bringUp;
}

TImageRegion* makeButton(QWidget* parent, const char* name, const char* picture, QSize size,
                         QPoint at) {
    return makeSkinButton(parent, QString::fromLatin1(name), QString::fromLatin1(picture), size,
                          at);
}

} // namespace

void TFrmSelectDir::setBringUpMainWindow(std::function<void()> bringUp) {
    bringUpMainWindow() = std::move(bringUp);
}

TFrmSelectDir::TFrmSelectDir(QWidget* owner, TSelectDirModel model)
    : TSkinnedDialog(owner, QSize(396, 219), CornerOutline{1, 0, 0, 0, 20}, true),
      model_(std::move(model)) {
    setObjectName(QStringLiteral("FrmSelectDir"));
    QWidget* body = panel();
    auto* drives = new QComboBox(body);
    drives->setObjectName(QStringLiteral("cb_Drives"));
    drives->setGeometry(12, 10, 234, 21);
    TImageRegion* dropDown =
        makeButton(body, "imr_DropDown_S", "button_dropdown", {17, 21}, {246, 10});
    connect(dropDown, &TImageRegion::clicked, drives, &QComboBox::showPopup);
    auto* list = new QListWidget(body);
    list->setObjectName(QStringLiteral("DirListBox"));
    list->setGeometry(12, 38, 251, 119);
    const QPixmap folder = skinPicture(QStringLiteral("icon_folder"), {16, 16});
    list->setIconSize(folder.size());
    TImageRegion* ok = makeButton(body, "imr_Ok_", "button_ok", {84, 25}, {284, 38});
    TImageRegion* cancel = makeButton(body, "imr_Cancel_", "button_cancel", {84, 25}, {284, 72});
    connect(ok, &TImageRegion::clicked, this, [this] { done(1); });
    connect(cancel, &TImageRegion::clicked, this, [this] { done(2); });
    lists_ = new TFolderLists(model_, *drives, *list);
}

void TFrmSelectDir::prepare() {
    lists_->prepare();
}

void TFrmSelectDir::showEvent(QShowEvent* event) {
    TSkinnedDialog::showEvent(event);
    if (bringUpMainWindow())
        bringUpMainWindow()();
    raise();
}

int TFrmSelectDir::Execute(std::string& path) {
    prepare();
    const int result = exec() == 1 ? 1 : 2;
    model_.finish(path);
    return result;
}

bool SelectFolder(std::string& path) {
    if (auto scripted = AnswerScript::instance().answerText("SelectFolder")) {
        if (!scripted->answered)
            return false;
        path = scripted->text;
        return folderExists(path);
    }
    TFrmSelectDir picker;
    const int result = picker.Execute(path);
    return result == 1 && folderExists(path);
}

} // namespace qm
