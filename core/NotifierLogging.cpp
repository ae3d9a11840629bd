#include "NotifierLogging.h"

Q_LOGGING_CATEGORY(lcCore, "zib.notifier.core", QtWarningMsg)
