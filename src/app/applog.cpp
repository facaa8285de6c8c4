#include "applog.h"

// Debug lines only when asked for, with QT_LOGGING_RULES="beamdeck.*.debug=true".
Q_LOGGING_CATEGORY(lcApp, "beamdeck.app", QtInfoMsg)
