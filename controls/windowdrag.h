#pragma once
// TWindowDrag: moves a borderless window while the user drags one of its handles (a
// title picture, a background) with the left button pressed alone, without modifiers.
// It watches the handles it is given and lets every event pass on. A child of the
// window, which it borrows.

#include <QObject>
#include <QPoint>

class QWidget;

namespace qm {

class TWindowDrag : public QObject {
  public:
    explicit TWindowDrag(QWidget& window);

    // Pressing on `handle` starts a drag (the window itself may be one).
    void addHandle(QWidget* handle);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget& window_;
    bool dragging_ = false;
    QPoint offset_;
};

} // namespace qm
