#include "contentlog.h"

Q_LOGGING_CATEGORY(lcContent, "beamdeck.content", QtDebugMsg)
