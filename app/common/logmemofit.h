#pragma once
// TLogMemoFit: shows a run's log in a read-only memo with every line within the memo's
// width: a line too long loses the middle of its path's folders (elideFolders), so its
// date, file name and result ("... successful.") stay in view. It keeps the whole log
// and fits the lines again whenever the memo changes width. A child of the memo, which
// it borrows.

#include <QObject>
#include <QString>

class QPlainTextEdit;
class QWidget;

namespace qm {

class TLogMemoFit : public QObject {
  public:
    explicit TLogMemoFit(QPlainTextEdit& memo);

    void setLog(const QString& log);
    const QString& log() const { return log_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fit();

    QPlainTextEdit& memo_;
    QWidget& viewport_;
    QString log_;
};

} // namespace qm
