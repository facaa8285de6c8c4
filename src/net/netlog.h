#pragma once

#include <QLoggingCategory>

// Silence with QT_LOGGING_RULES="beamdeck.net.debug=false".
Q_DECLARE_LOGGING_CATEGORY(lcNet)
