#pragma once
// TASHint: the component that makes every hint of the application a balloon
// (TASHintWindow) while it is Active, and holds the balloon's settings. The first one
// created is the current one (TASHint::current()); its setters reach the live balloon.
// It owns the balloon window it shows and its Pattern copy.

#include "controls/hintgeometry.h"

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <memory>

namespace qm {

class TASHintWindow;

class TASHint : public QObject {
    Q_OBJECT
  public:
    explicit TASHint(QObject* owner = nullptr);
    ~TASHint() override;

    static TASHint* current();

    bool Active() const { return active_; }
    void setActive(bool active);
    // Each setter ignores a value outside its range (see THintSettings).
    void setFrameWidth(int value);
    void setRoundSize(int value);
    void setFrameColor(const QColor& color);
    void setFrameFade(int value);
    void setAutoFrameColor(bool on);
    void setPattern(const QPixmap& pattern);

    const THintSettings& settings() const { return settings_; }
    const QPixmap& Pattern() const { return pattern_; }

    // Shows `text` as a balloon pointing at `globalPos` (what a hint request does).
    void showHint(const QPoint& globalPos, const QString& text);
    void hideHint();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void copyToLiveWindow();

    bool active_ = false;
    THintSettings settings_;
    QPixmap pattern_;
    std::unique_ptr<TASHintWindow> window_;
    QPointer<QObject> hintOwner_; // the widget whose hint is showing
};

} // namespace qm
