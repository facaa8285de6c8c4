#pragma once

#include <QLoggingCategory>

// Silence with QT_LOGGING_RULES="beamdeck.edit.debug=false".
Q_DECLARE_LOGGING_CATEGORY(lcEdit)
