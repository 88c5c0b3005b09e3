#pragma once
// TFormUninstal: the uninstall window. It shows the layout's labels (`labCaption`,
// `labWarning`) and picture buttons (`ImageRegion1` Uninstall, `btn_exit` Exit) over its
// background `Image1`; the Uninstall button runs TUninstaller, and every way out closes
// the window, which ends the program. Owns its widgets and the uninstaller.

#include "setup/uninstaller.h"

#include <QWidget>

namespace qm {

class TFormUninstal : public QWidget {
    Q_OBJECT
  public:
    // `installFolder`: the registered install folder, which is the program's own.
    explicit TFormUninstal(std::string installFolder, QWidget* parent = nullptr);

    TUninstaller& uninstaller() { return uninstaller_; }
    void bbUninstalClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TUninstaller uninstaller_;
};

} // namespace qm
