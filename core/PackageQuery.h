#pragma once

#include <QString>

#include <functional>

// Whether a Debian package is installed; answers later, never holding up the event loop.
class PackageQuery
{
public:
    virtual ~PackageQuery() = default;
    virtual void checkInstalled(const QString& package, std::function<void(bool installed)> done) = 0;
};
