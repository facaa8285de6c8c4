#include "editlog.h"

Q_LOGGING_CATEGORY(lcEdit, "beamdeck.edit", QtDebugMsg)
