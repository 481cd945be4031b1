#pragma once

#include "render/drawingsurface.h"
#include "render/maskwriter.h"
#include "render/pixelwriter.h"

#include <QImage>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Paints the batches of an image surface (dots joined by strokes, fans of lines) into its
// 32-bit image on worker threads, setting the pixels that PixelWriter sets when the batch's
// single calls reach it one by one.
//
// Batches are painted in the order handed in, each by up to four workers (one a processor)
// into byte masks of their own that are then merged in batch order, so a later mark still
// covers an earlier one.
//
// A batch reads its points and writes the image after the call has returned: the image must
// not be touched, resized or given up until Wait has returned. All calls come from one thread.
class BatchPainter {
public:
    // How twips become the image's device pixels, with the checks of the surface's size.
    struct Placement {
        ClipArea Area;
        double DevicePixelsPerTwip;
    };

    BatchPainter();
    // Drops the batches not painted yet.
    ~BatchPainter();
    BatchPainter(const BatchPainter&) = delete;
    BatchPainter& operator=(const BatchPainter&) = delete;

    // Whether a batch of this many points for this image is painted here: not one so small
    // that handing it over costs more than painting it at once, nor one for an image so large
    // that the workers' masks would cost too much memory.
    static bool Takes(const QImage& image, std::size_t points);

    // DrawingSurface::Polyline with dots of radius 0.
    void Polyline(QImage& image, const Placement& placement, SurfacePoints points, QRgb dotColour,
        QRgb strokeColour, PixelPen pen);
    // DrawingSurface::Fan.
    void Fan(QImage& image, const Placement& placement, SurfacePoint from, SurfacePoints points,
        QRgb colour, PixelPen pen);
    // Returns once every batch handed in is in the image.
    void Wait();

private:
    struct Job;
    // A worker's own.
    struct Mask {
        std::vector<std::uint8_t> Bytes;
        int Top = 0;
        int Bottom = -1;
        BundlingMaskWriter::Room Room;
    };

    void Submit(std::unique_ptr<Job> job, QImage& image);
    void StartWorkers();
    // Drops the batches not painted yet.
    void StopWorkers();
    void Work(int worker);
    void Paint(Job& job, int worker);
    // Calls paint(begin, end) for each stretch of the job's elements that is this worker's.
    template <class PaintStretch>
    void ForEachShare(Job& job, int worker, PaintStretch paint) const;
    void Merge(const Job& job);

    std::mutex m_mutex;
    std::condition_variable m_wake; // a batch to paint, or the end
    std::condition_variable m_drained; // every batch painted
    std::deque<std::unique_ptr<Job>> m_jobs;
    std::uint64_t m_submitted = 0;
    bool m_stop = false;
    int m_maskWidth = 0;
    int m_maskHeight = 0;
    std::vector<Mask> m_masks; // one per worker
    std::vector<std::thread> m_workers;
};
