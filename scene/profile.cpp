#include "scene/profile.h"

#include <string>

SubscriptOutOfRange::SubscriptOutOfRange(std::int64_t index)
    : std::out_of_range("vertex index " + std::to_string(index) + " is outside 1.."
                        + std::to_string(MaxPoints))
{
}

PointArray::PointArray()
    : m_records(new PointD[MaxPoints]())
{
}
