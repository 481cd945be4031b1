#pragma once

#include "render/linesteps.h"

#include <QImage>
#include <QPointF>

#include <cstdint>

// Writes one-pixel dots and lines of one opaque colour straight into the 32-bit pixels of an
// image, for marks by the hundred thousand, where QPainter's general stroker spends an order
// of magnitude more per pixel. Coordinates are the image's device pixels, pixel (x, y)
// covering x..x+1 and y..y+1; what falls outside the image is left out.
//
// On an image whose device pixel ratio is 1 it sets exactly the pixels that QPainter sets
// with a cosmetic pen of width 0 (square cap; dash pattern 1, 1 for Dotted) for:
// - a dot, or a line with equal ends: pixel (floor(x + 0.5), floor(y + 0.5));
// - a horizontal or vertical line with both ends inside the image: the pixels of its row
//   (column) from the one holding its first end to the one holding its last.
// Any other line sets one pixel in each column from its first end's to its last end's (in each
// row, when it is steeper than 45 degrees): where it crosses the middle of that column (row)
// if it runs from top left to bottom right, the column's left (the row's top) edge otherwise.
// QPainter applies the same rule to ends rounded to 1/64 pixel, so a few pixels of a sloped
// line may lie one pixel beside QPainter's.
//
// It tests every pixel against the image's bounds: the plain reference for the mask writers.
class PixelWriter {
public:
    // `image` must hold 32 bits a pixel (Format_RGB32 or an ARGB32 format) and outlive the
    // writer, which writes into its pixels without detaching it again.
    explicit PixelWriter(QImage& image);

    void Dot(QPointF at, QRgb colour);
    void Line(QPointF from, QPointF to, QRgb colour, PixelPen pen);

private:
    void Set(std::int64_t x, std::int64_t y, QRgb colour)
    {
        if (static_cast<std::uint64_t>(x) < static_cast<std::uint64_t>(m_width)
            && static_cast<std::uint64_t>(y) < static_cast<std::uint64_t>(m_height))
            m_pixels[y * m_stride + x] = colour;
    }

    QRgb* m_pixels;
    qsizetype m_stride;
    int m_width;
    int m_height;
};
