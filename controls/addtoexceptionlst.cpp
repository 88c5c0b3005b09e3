#include "controls/addtoexceptionlst.h"

#include "controls/imageregion.h"
#include "controls/skin.h"
#include "controls/skinbutton.h"
#include "platform/answerscript.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace qm {

namespace {

TImageRegion* makeButton(QWidget* parent, const char* name, const char* picture, QSize size,
                         QPoint at) {
    return makeSkinButton(parent, QString::fromLatin1(name), QString::fromLatin1(picture), size,
                          at);
}

} // namespace

TaddToExceptionLst::TaddToExceptionLst(QWidget* owner, const std::string& prompt,
                                       const std::string& text, bool showBrowse)
    : TSkinnedDialog(owner, QSize(318, 146), CornerOutline{1, 0, 0, 0, 10}, true),
      model_(prompt, text, showBrowse) {
    setObjectName(QStringLiteral("addToExceptionLst"));
    QWidget* body = panel();
    QLabel* label = makeSkinLabel(body, QStringLiteral("lbl_msg"), QString::fromStdString(prompt));
    label->setGeometry(12, 10, 280, 16);
    edit_ = new QLineEdit(QString::fromStdString(text), body);
    edit_->setObjectName(QStringLiteral("edt_Data"));
    edit_->setGeometry(12, 32, 258, 22);
    edit_->installEventFilter(this);
    connect(edit_, &QLineEdit::textEdited, this,
            [this](const QString& value) { model_.setText(value.toStdString()); });
    TImageRegion* browse = makeButton(body, "imr_Browse", "button_browse", {26, 24}, {273, 31});
    browse->setVisible(showBrowse);
    connect(browse, &TImageRegion::clicked, this, &TaddToExceptionLst::imr_BrowseClick);
    TImageRegion* ok = makeButton(body, "imr_ok", "button_ok", {84, 25}, {61, 78});
    TImageRegion* cancel = makeButton(body, "Imr_Cancel", "button_cancel", {84, 25}, {158, 78});
    connect(ok, &TImageRegion::clicked, this, [this] { done(1); });
    connect(cancel, &TImageRegion::clicked, this, [this] { done(2); });
}

std::string TaddToExceptionLst::text() const {
    return model_.text();
}

void TaddToExceptionLst::imr_BrowseClick() {
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    model_.fileChosen(dialog.selectedFiles().first().toStdString());
    edit_->setText(QString::fromStdString(model_.text()));
}

bool TaddToExceptionLst::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (auto result = TAddToExceptionModel::keyResult(enter, key->key() == Qt::Key_Escape)) {
            done(*result);
            return true;
        }
    }
    return TSkinnedDialog::eventFilter(watched, event);
}

int TaddToExceptionLst::ask(QWidget* owner, const std::string& prompt, std::string& text,
                            bool showBrowse) {
    if (auto scripted = AnswerScript::instance().answerText(prompt)) {
        if (!scripted->answered)
            return 2;
        text = scripted->text;
        return 1;
    }
    TaddToExceptionLst dialog(owner, prompt, text, showBrowse);
    const int result = dialog.exec();
    if (result == 1)
        text = dialog.text();
    return result == 1 ? 1 : 2;
}

} // namespace qm
