#pragma once
// Small pieces the main window's pages build their widgets from: object names, white
// captions and group boxes on the panel colour, read-only memos, the page's outer layout
// and the tree-beside-list splitter.

#include <QString>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QVBoxLayout;
class QWidget;

namespace qm {

template <typename W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}
template <typename W> W* named(W* widget, const char* name) {
    return named(widget, QString::fromLatin1(name));
}

// A caption in the skin's label font, white (`name` may be null).
QLabel* whiteLabel(QWidget* parent, const char* name, const QString& text);
// A group box with a white bold title.
QGroupBox* whiteGroupBox(QWidget* parent, const char* name, const QString& title);
// A read-only memo that does not wrap its lines.
QPlainTextEdit* readOnlyMemo(QWidget* parent, const char* name);
// The page's column of rows with the margins every page keeps.
QVBoxLayout* pageLayout(QWidget* page);
// A tree beside its file list: the list takes the width the tree leaves, and neither can
// be pushed out of view.
void arrangeTreeAndList(QSplitter& split);

} // namespace qm
