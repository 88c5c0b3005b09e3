#include "updater/updatersettings.h"

#include "platform/datetime.h"
#include "platform/folderchain.h"
#include "platform/productkeys.h"
#include "platform/registry.h"
#include "platform/settingkeys.h"

#include <QSettings>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace qm {

void WriteUpdateDay() {
    Registry registry;
    if (!registry.openKey(kUpdateKey, true) ||
        registry.writeDword(kUpdateDayValue, static_cast<uint32_t>(std::floor(now()))) !=
            RegistryStatus::Ok)
        std::fprintf(stderr, "updater: cannot store today's date under %s (%s)\n",
                     std::string(kUpdateKey).c_str(), registryStatusText(registry.lastStatus()));
}

void DisableUpdater(const std::string& folder) {
    // The file is written by path, through a link at its name: run by root, only in a
    // folder no other user may change, where no one else could have put that link.
    if (::geteuid() == 0 && !changeableOnlyByRoot(folder)) {
        std::fprintf(stderr,
                     "updater: %s may be changed by another user than root; root does not "
                     "write its Settings.dat\n",
                     folder.c_str());
    } else {
        QSettings file(QString::fromStdString(folder + "/Settings.dat"), QSettings::IniFormat);
        file.setValue(QStringLiteral("UPDATER/Updater"), 0);
        file.sync();
        if (file.status() != QSettings::NoError)
            std::fprintf(stderr, "updater: cannot write %s/Settings.dat\n", folder.c_str());
    }
    // The main program reads its own setting, not this file.
    Registry registry;
    const SettingDef& updater = settingDef(SettingId::Updater);
    if (!registry.openKey(kSettingsKey, true) ||
        registry.writeDword(updater.name, 0) != RegistryStatus::Ok)
        std::fprintf(stderr, "updater: cannot turn the Updater setting off (%s)\n",
                     registryStatusText(registry.lastStatus()));
}

} // namespace qm
