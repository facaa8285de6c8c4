#include "netlog.h"

Q_LOGGING_CATEGORY(lcNet, "beamdeck.net", QtDebugMsg)
