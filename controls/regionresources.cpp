#include "controls/regionresources.h"

#include "controls/messageform.h"
#include "controls/skin.h"
#include "controls/windowoutline.h"

#include <QFile>
#include <QWidget>

namespace qm {

std::optional<QByteArray> TRegionResurces::rawData(const QString& name) {
    ensureControlsResources();
    QFile file(QStringLiteral(":/regions/") + name);
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool TRegionResurces::ApplyRegion(QWidget* control, const QString& name) {
    if (!control)
        return false;
    std::optional<QByteArray> bytes = rawData(name);
    if (!bytes)
        return false; // no such outline: the window keeps its shape
    return applyRegionBytes(control, name, *bytes);
}

bool TRegionResurces::applyRegionBytes(QWidget* control, const QString& name,
                                       const QByteArray& bytes) {
    if (!control)
        return false;
    RegionParseResult result = parseRegionData(
        std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    if (result.data) {
        applyOutline(control, regionFromData(*result.data));
        return true;
    }
    applyOutline(control, QRegion());
    ShowMessageForm(0, "The window outline " + name.toStdString() + " is damaged: " + result.error +
                           ". The window is shown without it.");
    return false;
}

} // namespace qm
