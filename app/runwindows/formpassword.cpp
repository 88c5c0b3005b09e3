#include "app/runwindows/formpassword.h"

#include "app/common/captionface.h"
#include "controls/imageregion.h"
#include "controls/skin.h"
#include "controls/wraplabel.h"
#include "platform/answerscript.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTimer>
#include <algorithm>

namespace qm {

namespace {

constexpr int kButtonLeft = 186;
constexpr int kButtonTop = 80;
constexpr int kButtonStep = 30;

constexpr int kPromptWidth = 271;
constexpr int kPromptHeight = 73;
// A prompt higher than this scrolls.
constexpr int kPromptMaxHeight = 240;

// The prompt wraps as the message box's text does, inside a long path too, so a path
// is never cut. A short one stands centred in its area; a higher one makes the window
// higher (the value returned: how much), and beyond kPromptMaxHeight it scrolls.
int placePrompt(QWidget* body, const QString& prompt) {
    auto* message = new TWrapLabel;
    message->setObjectName(QStringLiteral("lbl_Msg"));
    message->setText(prompt);
    auto* scroll = new QScrollArea(body);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setAutoFillBackground(false);
    scroll->setWidgetResizable(true);
    scroll->setWidget(message);
    const int needed = message->textHeight(kPromptWidth);
    const int height = std::min(needed, kPromptMaxHeight);
    const int top = 4 + std::max(0, (kPromptHeight - height) / 2);
    scroll->setVerticalScrollBarPolicy(needed > height ? Qt::ScrollBarAlwaysOn
                                                       : Qt::ScrollBarAlwaysOff);
    scroll->setGeometry(8, top, kPromptWidth, height);
    return std::max(0, height - kPromptHeight);
}

QString joined(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines)
        list << QString::fromStdString(line);
    return list.join(QLatin1Char('\n'));
}

} // namespace

TFormPassword::TFormPassword(QWidget* owner, TPasswordModel::Mode mode, const std::string& prompt,
                             TPasswordHooks hooks)
    : TSkinnedDialog(owner, QSize(302, 251), CornerOutline{1, 0, 0, 0, 10}, true),
      model_(mode, prompt, hooks.message), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("FormPassword"));
    QWidget* body = panel();
    const int extra = placePrompt(body, QString::fromStdString(prompt));
    if (extra > 0)
        setClientSize(QSize(302, 251 + extra));
    edit_ = new QLineEdit(body);
    edit_->setObjectName(QStringLiteral("Edt_PasswordAdd"));
    edit_->setGeometry(12, 86 + extra, 150, 22);
    edit_->installEventFilter(this);
    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { model_.setEdit(text.toStdString()); });
    hide_ = new QCheckBox(QStringLiteral("Show/Hide"), body);
    hide_->setObjectName(QStringLiteral("chb_Hide"));
    hide_->setFont(skinLabelFont());
    setWhiteCaption(hide_);
    hide_->setGeometry(12, 112 + extra, 150, 20);
    hide_->setChecked(true);
    connect(hide_, &QCheckBox::toggled, this, [this](bool on) {
        model_.setHidden(on);
        applyHide();
    });
    memo_ = new QPlainTextEdit(body);
    memo_->setObjectName(QStringLiteral("Memo_Passw"));
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setGeometry(12, 110 + 26 + extra, 150, 115 - 26 + 3);
    memo_->setVisible(mode != TPasswordModel::Mode::Single);

    struct Button {
        const char* name;
        const char* caption;
        bool shown;
    };
    const bool list = mode != TPasswordModel::Mode::Single;
    const bool skip = mode == TPasswordModel::Mode::ListWithSkip;
    const Button buttons[] = {{"imr_OK", "OK", true},
                              {"imr_Cancel", "Cancel", true},
                              {"imr_Add", "Add", list},
                              {"imr_Skip", "Skip", skip},
                              {"imr_SkipAll", "Skip all", skip}};
    int row = 0;
    for (const Button& b : buttons) {
        auto* button =
            makeCaptionButton(body, b.name, {}, QString::fromLatin1(b.caption), QSize(95, 25), {});
        button->move(kButtonLeft, kButtonTop + extra + row++ * kButtonStep);
        button->setVisible(b.shown);
        const std::string name = b.name;
        connect(button, &TImageRegion::clicked, this, [this, name] {
            if (name == "imr_OK")
                finish(model_.ok());
            else if (name == "imr_Add")
                finish(model_.add());
            else if (name == "imr_Skip")
                finish(TPasswordModel::kSkip);
            else if (name == "imr_SkipAll")
                finish(TPasswordModel::kSkipAll);
            else {
                if (hooks_.cancelRun)
                    hooks_.cancelRun();
                finish(TPasswordModel::kSkip);
            }
        });
    }
    QTimer::singleShot(0, this, [this] {
        edit_->setFocus();
        applyHide();
        if (hooks_.bringUpMain)
            hooks_.bringUpMain();
        raise();
        activateWindow();
    });
}

void TFormPassword::applyHide() {
    edit_->setEchoMode(model_.hidden() ? QLineEdit::Password : QLineEdit::Normal);
    memo_->setPlainText(joined(model_.memoLines()));
}

void TFormPassword::finish(std::optional<int> result) {
    applyHide();
    if (result)
        done(*result);
}

bool TFormPassword::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            finish(model_.enter());
            return true;
        }
    }
    return TSkinnedDialog::eventFilter(watched, event);
}

int AskPassword(bool singleMode, const std::string& message, std::vector<std::string>& passwords,
                bool allowSkip, const std::string& fileName, const TPasswordHooks& hooks) {
    const TPasswordModel::Mode mode = singleMode  ? TPasswordModel::Mode::Single
                                      : allowSkip ? TPasswordModel::Mode::ListWithSkip
                                                  : TPasswordModel::Mode::List;
    const std::string prompt = TPasswordModel::promptFor(message, fileName);
    if (auto scripted = AnswerScript::instance().answerText(prompt)) {
        TPasswordModel model(mode, prompt, hooks.message);
        model.load(passwords);
        int result = TPasswordModel::kSkip;
        if (!scripted->answered || scripted->text == "[cancel]") {
            if (hooks.cancelRun)
                hooks.cancelRun();
        } else if (scripted->text == "[skip]") {
            result = TPasswordModel::kSkip;
        } else if (scripted->text == "[skip all]") {
            result = TPasswordModel::kSkipAll;
        } else {
            model.setEdit(scripted->text);
            result = model.enter();
        }
        passwords = model.passwords();
        return result;
    }
    TFormPassword window(nullptr, mode, prompt, hooks);
    window.model().load(passwords);
    const int result = window.exec();
    passwords = window.model().passwords();
    return result == TPasswordModel::kOk || result == TPasswordModel::kSkipAll
               ? result
               : TPasswordModel::kSkip;
}

} // namespace qm
