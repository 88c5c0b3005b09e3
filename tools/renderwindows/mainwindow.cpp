#include "mainwindow.h"

#include "machine.h"
#include "mainpages.h"
#include "render.h"

#include "app/mainwindow/frmmain.h"
#include "app/stores/settingsstore.h"
#include "controls/imageregion.h"
#include "platform/answerscript.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStackedWidget>

namespace qm::renderwindows {

namespace {

void click(QWidget* button) {
    const QPointF at(3, 3);
    QMouseEvent down(QEvent::MouseButtonPress, at, button->mapToGlobal(at), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, button->mapToGlobal(at), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button, &up);
    QApplication::processEvents();
}

QString shownPage(const TfrmMain& window) {
    return window.pages()->currentWidget()->objectName();
}

void renderSize(int width, int height) {
    TSettingsStore store;
    store.setNumber(SettingId::Width, static_cast<uint32_t>(width));
    store.setNumber(SettingId::Height, static_cast<uint32_t>(height));
    TMainWindowSetup setup;
    setup.splashShown = true;
    setup.timings = {3600000, 3600000, 3600000}; // no poll or reminder while drawing
    setup.trayAvailable = [] { return true; };
    setup.openUrl = [](const char*) {};
    TfrmMain window(std::move(setup));
    const QString prefix = QStringLiteral("main_%1x%2_").arg(width).arg(height);
    window.show();
    renderwindows::shoot(window, prefix + shownPage(window));
    // The left menu opens every other page; its last button closes the window.
    window.model().ShowMenuPanel();
    const QWidget* menu = window.findChild<QWidget*>(QStringLiteral("Pnl_mnu"));
    for (TImageRegion* button : menu->findChildren<TImageRegion*>()) {
        if (button->objectName() == QLatin1String("btn_exit"))
            continue;
        click(button);
        const QString page = shownPage(window);
        renderwindows::shoot(window, prefix + page);
        for (const TPageScene& scene : pageScenes()) {
            if (page != QLatin1String(scene.page) || !scene.after)
                continue;
            scene.after(window);
            // Leaving the page afterwards must not keep what the scene changed.
            AnswerScript::instance().addAnswer("new changes to be applied", "7");
            QApplication::processEvents();
            renderwindows::shoot(window, prefix + page + "_" + scene.state);
        }
    }
    window.hide();
}

} // namespace

void renderMainWindow(const TRenderMachine& machine) {
    for (const TPageScene& scene : pageScenes())
        if (scene.before)
            scene.before(machine);
    renderSize(kSmallWidth, kSmallHeight);
    renderSize(kLargeWidth, kLargeHeight);
}

} // namespace qm::renderwindows
