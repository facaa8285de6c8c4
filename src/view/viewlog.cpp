#include "viewlog.h"

// Debug lines only when asked for, with QT_LOGGING_RULES="beamdeck.*.debug=true".
Q_LOGGING_CATEGORY(lcView, "beamdeck.view", QtInfoMsg)
