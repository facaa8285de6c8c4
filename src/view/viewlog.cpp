#include "viewlog.h"

Q_LOGGING_CATEGORY(lcView, "beamdeck.view", QtDebugMsg)
