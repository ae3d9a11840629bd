#pragma once

#include <QLoggingCategory>

// Debug traces, off unless enabled with QT_LOGGING_RULES="zib.notifier.*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCore)
