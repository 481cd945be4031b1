#include "scene/numbertext.h"

#include <algorithm>
#include <charconv>

std::string NumberText(long double value)
{
    if (value == 0.0)
        return "0"; // also for -0, which is not negative
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    std::string shown(text, result.ptr);
    std::replace(shown.begin(), shown.end(), 'e', 'E');
    return shown;
}

std::string PointText(PointD point)
{
    return "(" + NumberText(point.X) + "," + NumberText(point.Y) + ")";
}
