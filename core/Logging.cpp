#include "Logging.h"

Q_LOGGING_CATEGORY(lcCore, "zib.notifier.core", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFiles, "zib.notifier.files", QtWarningMsg)
