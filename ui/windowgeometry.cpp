#include "ui/windowgeometry.h"

SurfaceSize SurfaceSizeForWindow(double outerWidth, double outerHeight)
{
    return {outerWidth >= SurfaceWidthMargin ? outerWidth - SurfaceWidthMargin : 0.0,
            outerHeight >= SurfaceHeightMargin ? outerHeight - SurfaceHeightMargin : 0.0};
}

double UsableExtent(double surfaceExtent)
{
    const double usable = surfaceExtent - 120;
    return usable > 0 ? usable : 1;
}
