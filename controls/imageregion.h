#pragma once
// TImageRegion: the picture button of every window of the three programs. It paints its
// normal picture (`Picture`) and, while the mouse is over it and it is enabled, its
// hover picture (`BitMapEnter`). Both pictures are copies owned by the button; the face
// rules live in TImageRegionModel. A click is a press and release of the left button
// inside the enabled control.

#include "controls/imageregionmodel.h"

#include <QPixmap>
#include <QWidget>

namespace qm {

class TImageRegion : public QWidget {
    Q_OBJECT
  public:
    explicit TImageRegion(QWidget* parent = nullptr);

    // The normal picture. The control resizes itself to it (the layouts size every
    // button to its picture).
    void setPicture(const QPixmap& picture);
    const QPixmap& picture() const { return picture_; }
    void setBitMapEnter(const QPixmap& picture);
    const QPixmap& bitMapEnter() const { return bitMapEnter_; }
    // The picture painted now.
    const QPixmap& shownPicture() const;
    const TImageRegionModel& model() const { return model_; }

    QSize sizeHint() const override;

  signals:
    void clicked();
    void OnMouseEnter(QObject* sender);
    void OnMouseLeave(QObject* sender);

  protected:
    // Overridable steps run after the enter and leave events, as descendants expect.
    virtual void MouseEnter();
    virtual void MouseLeave();

    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    TImageRegionModel model_;
    QPixmap picture_;
    QPixmap bitMapEnter_;
    bool pressed_ = false;
};

} // namespace qm
