#include "netlog.h"

// Debug lines only when asked for, with QT_LOGGING_RULES="beamdeck.*.debug=true".
Q_LOGGING_CATEGORY(lcNet, "beamdeck.net", QtInfoMsg)
