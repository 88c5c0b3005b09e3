#pragma once
// TASHintWindow: the balloon that every hint of the main program is shown in, a rounded
// box with a pointer at its top left, framed in a darker shade of the hint colour. At
// most one is alive (CurrentHintWindow); the TASHint that shows it gives it its settings
// and pattern.

#include "controls/hintgeometry.h"

#include <QPixmap>
#include <QRegion>
#include <QWidget>

namespace qm {

class TASHintWindow : public QWidget {
    Q_OBJECT
  public:
    explicit TASHintWindow(QWidget* parent = nullptr);
    ~TASHintWindow() override;

    // The live balloon, or null.
    static TASHintWindow* current();

    // The rectangle a hint needs, its text wrapped at `maxWidth`, at the origin.
    QRect CalcHintRect(int maxWidth, const QString& hint) const;
    // Shows `hint` where `place` says (hintgeometry::placeHint) and rebuilds its outline.
    void ActivateHint(const hintgeometry::THintPlacement& place, const QString& hint);

    THintSettings& settings() { return settings_; }
    void setPattern(const QPixmap& pattern);
    const QRegion& windowRegion() const { return windowRegion_; }
    QColor frameColor() const;
    const QString& hintText() const { return text_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    THintSettings settings_;
    QPixmap pattern_;
    QString text_;
    QRegion windowRegion_;
    bool pointerBelow_ = false;
};

} // namespace qm
