#pragma once

#include <QString>

// A dpkg-query stand-in first on PATH, answering for the upgrade package.
namespace FakeDpkg {
enum class Mode { Installed, Removed, Hanging, Failing, Crashing, Missing };

// Replaces the program atomically, as a package upgrade would.
bool set(Mode mode);
// How often the program ran since the last set().
int runCount();
} // namespace FakeDpkg
