#pragma once

#include <exception>
#include <stop_token>

// Thrown out of a load or an ordering whose std::stop_token was asked to stop. Whatever it was
// writing is left in no particular order, so the caller must not use it.
class StopRequested : public std::exception {
public:
    const char* what() const noexcept override { return "stopped on request"; }
};

inline void ThrowIfStopRequested(const std::stop_token& stop)
{
    if (stop.stop_requested())
        throw StopRequested();
}
