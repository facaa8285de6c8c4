#pragma once

#include <QtGlobal>

#include <functional>

// Long work (reading, revising, exporting, importing) tells how far it got
// every now and then; the answer false asks it to stop. Empty when nobody
// watches, which costs one test per report.
using ProgressCallback = std::function<bool(qint64 done, qint64 total)>;
