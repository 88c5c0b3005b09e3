#include "app/common/pagewidgets.h"

#include "controls/skin.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

namespace qm {

QLabel* whiteLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = named(new QLabel(text, parent), name);
    label->setFont(skinLabelFont());
    label->setStyleSheet(QStringLiteral("color: white;"));
    return label;
}

QGroupBox* whiteGroupBox(QWidget* parent, const char* name, const QString& title) {
    auto* box = named(new QGroupBox(title, parent), name);
    box->setStyleSheet(QStringLiteral("QGroupBox { color: white; font-weight: bold; }"));
    return box;
}

QPlainTextEdit* readOnlyMemo(QWidget* parent, const char* name) {
    auto* edit = named(new QPlainTextEdit(parent), name);
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    return edit;
}

QVBoxLayout* pageLayout(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 4, 14, 6);
    layout->setSpacing(4);
    return layout;
}

void arrangeTreeAndList(QSplitter& split) {
    split.setStretchFactor(1, 1);
    split.setSizes({200, 420});
    split.setChildrenCollapsible(false);
}

} // namespace qm
