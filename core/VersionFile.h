#pragma once

#include <QString>

// The installed system version: the first line of the version file, trimmed. Only the file's first
// few KiB are read, whatever it holds.
QString readSystemVersion();
