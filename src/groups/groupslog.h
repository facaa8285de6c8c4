#pragma once

#include <QLoggingCategory>

// Silence with QT_LOGGING_RULES="beamdeck.groups.debug=false".
Q_DECLARE_LOGGING_CATEGORY(lcGroups)
