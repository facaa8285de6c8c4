#pragma once

#include <QLoggingCategory>

// Silence with QT_LOGGING_RULES="beamdeck.content.debug=false".
Q_DECLARE_LOGGING_CATEGORY(lcContent)
