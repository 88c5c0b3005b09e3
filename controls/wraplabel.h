#pragma once
// TWrapLabel: a centred, white bold text that wraps at word boundaries and, where a word
// is longer than a line (a path), anywhere inside it, so no part of the text is lost.

#include <QWidget>

namespace qm {

class TWrapLabel : public QWidget {
    Q_OBJECT
  public:
    explicit TWrapLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    // Height the text needs at `width`.
    int textHeight(int width) const;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return textHeight(width); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
};

} // namespace qm
