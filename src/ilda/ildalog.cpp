#include "ildalog.h"

Q_LOGGING_CATEGORY(lcIlda, "beamdeck.ilda", QtDebugMsg)
