#pragma once
// TSkinnedDialog: the common body of the small borderless windows. It owns (through Qt
// parenthood) an optional frame of four stretched edge pictures (`Image1` top 12 px,
// `Image2` bottom 9 px, `Image4` left 8 px, `Image3` right 7 px) around the client panel
// `Panel1`, and gives itself its rounded outline each time it is shown.

#include <QDialog>

class QLabel;

namespace qm {

// The rounded outline (left, top)-(Width + growRight, Height + growBottom) with corners of
// `corner` x `corner`, as each window sets it on show.
struct CornerOutline {
    int left = 1;
    int top = 0;
    int growRight = 0;
    int growBottom = 0;
    int corner = 10;
};

class TSkinnedDialog : public QDialog {
    Q_OBJECT
  public:
    TSkinnedDialog(QWidget* parent, QSize clientSize, CornerOutline outline, bool framed);

    QWidget* panel() const { return panel_; }
    const CornerOutline& cornerOutline() const { return outline_; }
    // Resizes the window and lays out its frame again.
    void setClientSize(QSize size);

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void applyCornerOutline();

  private:
    void layoutFrame();

    CornerOutline outline_;
    QWidget* panel_ = nullptr;
    QLabel* top_ = nullptr;
    QLabel* bottom_ = nullptr;
    QLabel* left_ = nullptr;
    QLabel* right_ = nullptr;
};

// A label in the skin's white bold face.
QLabel* makeSkinLabel(QWidget* parent, const QString& objectName, const QString& text = {});

} // namespace qm
