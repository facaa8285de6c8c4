#include "applog.h"

Q_LOGGING_CATEGORY(lcApp, "beamdeck.app", QtDebugMsg)
