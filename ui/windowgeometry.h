#pragma once

// Window and control geometry is laid out in twips.

// Qt reports a window's client size reliably but its frame inconsistently (each platform and
// window manager its own, the offscreen platform 2 pixels a side), while the surface's
// margins are measured from the outer size. A classic frame of 8 by 32 logical pixels
// stands for the real one, so the surface keeps the same margins everywhere.
inline constexpr double FrameWidthTwips = 120;
inline constexpr double FrameHeightTwips = 480;

// Margins between the window's outer edges and the drawing surface's size.
inline constexpr double SurfaceWidthMargin = 480;
inline constexpr double SurfaceHeightMargin = 1320;

struct SurfaceSize {
    double Width = 0;  // twips
    double Height = 0; // twips
};

// The drawing surface's size for a window of the given outer size: the outer size less the
// margins, or 0 where the window is smaller than a margin.
SurfaceSize SurfaceSizeForWindow(double outerWidth, double outerHeight);
