#include "ui/windowgeometry.h"

SurfaceSize SurfaceSizeForWindow(double outerWidth, double outerHeight)
{
    return {outerWidth >= SurfaceWidthMargin ? outerWidth - SurfaceWidthMargin : 0.0,
            outerHeight >= SurfaceHeightMargin ? outerHeight - SurfaceHeightMargin : 0.0};
}
