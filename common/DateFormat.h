#pragma once

#include <QString>

// Dates from the update service and the upgrade report, and dates in the information window.
static const QString dateTimeFormat = QStringLiteral("hh:mm dd.MM.yyyy");
