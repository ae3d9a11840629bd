#pragma once

#include <functional>

// Whether the service's process runs; answers later, like the service itself.
class ServicePresence
{
public:
    virtual ~ServicePresence() = default;
    virtual void checkActive(std::function<void(bool)> done) = 0;
};
