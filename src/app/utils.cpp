#include "utils.h"

#include "applog.h"

bool Utils::checkAndroidStoragePermissions()
{
    qCDebug(lcApp) << QStringLiteral("window") + QStringLiteral(" permissions:") << "true";
    return true;
}
