#include "groupslog.h"

Q_LOGGING_CATEGORY(lcGroups, "beamdeck.groups", QtDebugMsg)
