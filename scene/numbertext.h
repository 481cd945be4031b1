#pragma once

#include "scene/profile.h"

#include <string>

// A coordinate as the labels show it: rounded to 15 significant digits, without trailing
// zeros or a point for whole numbers, "0" before the point below 1, "-" only for negative
// values, and always "." as the decimal point. Magnitudes that 15 plain digits cannot hold,
// from 1E+15 up and below 0.0001, take the exponent form "1E+20", "1.5E-07". A double's
// text is the same in either type; the wider one also writes values beyond every double.
std::string NumberText(long double value);

// A point as the coordinate labels show it: "(3,2.5)".
std::string PointText(PointD point);
