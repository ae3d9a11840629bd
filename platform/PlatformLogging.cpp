#include "PlatformLogging.h"

Q_LOGGING_CATEGORY(lcService, "zib.notifier.service", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDesktop, "zib.notifier.desktop", QtWarningMsg)
