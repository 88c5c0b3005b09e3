#include "controls/messageform.h"

#include "controls/imageregion.h"
#include "controls/skin.h"
#include "controls/skinbutton.h"
#include "controls/wraplabel.h"
#include "platform/answerscript.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>

namespace qm {

namespace {

constexpr int kSpacerHeight = 13; // the empty label `Label1` above the text
constexpr int kButtonTop = 10;

int maxWindowHeight() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 480;
    return screen->availableGeometry().height() * 2 / 3;
}

} // namespace

TfrmMessage::TfrmMessage(QWidget* owner, const std::string& text, int kind,
                         const TMessageStyle& style)
    : TSkinnedDialog(owner, QSize(style.clientWidth, style.clientHeight),
                     CornerOutline{1, 0, 0, 0, 10}, true),
      model_(kind, text), style_(style) {
    setObjectName(QStringLiteral("frmMessage"));
    QWidget* body = panel();
    auto* spacer = new QLabel(body);
    spacer->setObjectName(QStringLiteral("Label1"));
    spacer->setGeometry(0, 0, body->width(), kSpacerHeight);

    message_ = new TWrapLabel;
    message_->setObjectName(QStringLiteral("lbl_Message"));
    message_->setText(QString::fromStdString(model_.text()));
    scroll_ = new QScrollArea(body);
    scroll_->setWidget(message_);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setAutoFillBackground(false);
    // The text stands on the panel colour. A plain frame draws its line in the
    // foreground colour, so the yellow line needs no style sheet (one would repaint the
    // text's background in the style's light grey, under white text).
    if (style_.frameLine) {
        scroll_->setFrameStyle(QFrame::Box | QFrame::Plain);
        scroll_->setLineWidth(1);
        QPalette palette = scroll_->palette();
        palette.setColor(QPalette::WindowText, Qt::yellow);
        scroll_->setPalette(palette);
    } else {
        scroll_->setFrameShape(QFrame::NoFrame);
    }

    pages_ = new QStackedWidget(body);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    buildPages();
    fitText();
}

void TfrmMessage::buildPages() {
    static const char* const kPages[] = {"TabSheet_OK", "TabSheet_OK_Cancel", "TabSheet_YES_NO"};
    for (int kind = 0; kind < 3; ++kind) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(kPages[kind]));
        for (const auto& face : TMessageFormModel(kind, {}).buttons()) {
            TImageRegion* button = makeSkinButton(page, QString::fromStdString(face.name),
                                                  QString::fromStdString(face.picture),
                                                  {face.width, 25}, {face.left, kButtonTop});
            const int result = face.result;
            connect(button, &TImageRegion::clicked, this, [this, result] { done(result); });
        }
        pages_->addWidget(page);
    }
    pages_->setCurrentIndex(model_.pageIndex());
}

void TfrmMessage::fitText() {
    QWidget* body = panel();
    const int chrome = style_.frameLine ? 2 : 0;
    const int textWidth = body->width() - chrome;
    const int textHeight = message_->textHeight(textWidth);
    auto fit = TMessageFormModel::fitText(textHeight, style_.clientHeight, maxWindowHeight());
    if (fit.scrolls) {
        // The scroll bar takes its width from the text; measure again without it.
        const int barWidth = scroll_->verticalScrollBar()->sizeHint().width();
        fit = TMessageFormModel::fitText(message_->textHeight(textWidth - barWidth),
                                         style_.clientHeight, maxWindowHeight());
    }
    scroll_->setVerticalScrollBarPolicy(fit.scrolls ? Qt::ScrollBarAlwaysOn
                                                    : Qt::ScrollBarAlwaysOff);
    setClientSize(QSize(style_.clientWidth, fit.windowHeight));
    scroll_->setGeometry(0, kSpacerHeight, body->width(), fit.labelHeight);
    const int pagesTop = kSpacerHeight + fit.labelHeight;
    pages_->setGeometry(0, pagesTop, body->width(), body->height() - pagesTop);
}

void TfrmMessage::reject() {
    done(model_.closeResult());
}

void TfrmMessage::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter) {
        if (auto result = model_.enterResult())
            done(*result);
    }
    // No other key does anything; Esc in particular leaves the box open.
    event->accept();
}

void TfrmMessage::showEvent(QShowEvent* event) {
    TSkinnedDialog::showEvent(event);
    if (style_.bringToFront) {
        raise();
        activateWindow();
    }
}

int ShowMessageForm(int kind, const std::string& text, const TMessageStyle& style) {
    kind = TMessageFormModel(kind, {}).kind();
    if (auto scripted = AnswerScript::instance().answerMessage(kind, text))
        return *scripted;
    TfrmMessage box(nullptr, text, kind, style);
    return box.exec();
}

} // namespace qm
