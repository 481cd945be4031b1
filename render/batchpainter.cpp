#include "render/batchpainter.h"

#include "render/widevectors.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// Each worker has a mask the size of the image, and every batch ends in merging them all: a
// few workers pay, many would not.
constexpr unsigned MostWorkers = 4;
// Elements a worker takes at a time from a batch of one colour: enough to make taking them
// cheap, few enough to share the batch's end out evenly.
constexpr std::size_t ChunkSize = 2048;
// Pixels of the largest image painted here (a mask of 32 MB for each worker).
constexpr qsizetype LargestImage = qsizetype { 1 } << 25;

// Mask values: 0 is no mark.
constexpr std::uint8_t DotValue = 1;
constexpr std::uint8_t FanValue = 1;
constexpr std::uint8_t StrokeValue = 2;

unsigned WorkerCount() { return std::clamp(std::thread::hardware_concurrency(), 1u, MostWorkers); }

} // namespace

struct BatchPainter::Job {
    enum class Kind { Polyline, Fan };

    Job(Kind kind, const Placement& placement, SurfacePoints points, PixelPen pen)
        : What(kind)
        , Where(placement)
        , Points(std::move(points))
        , Pen(pen)
    {
    }

    const Kind What;
    const Placement Where;
    const SurfacePoints Points;
    const PixelPen Pen;
    SurfacePoint From; // of a fan
    // The colour of each mask value.
    QRgb Palette[3] = {};
    // Whether its marks must keep their order, because they are of more than one colour.
    bool Ordered = false;
    QRgb* Pixels = nullptr;
    qsizetype Stride = 0;
    std::uint64_t Sequence = 0;
    std::atomic<std::size_t> NextChunk { 0 };
    unsigned Arrived = 0; // workers done with it
};

BatchPainter::BatchPainter() = default;

BatchPainter::~BatchPainter() { StopWorkers(); }

bool BatchPainter::Takes(const QImage& image, std::size_t points)
{
    return points >= ChunkSize && qsizetype { image.width() } * image.height() <= LargestImage;
}

void BatchPainter::Polyline(QImage& image, const Placement& placement, SurfacePoints points,
    QRgb dotColour, QRgb strokeColour, PixelPen pen)
{
    auto job = std::make_unique<Job>(Job::Kind::Polyline, placement, std::move(points), pen);
    job->Palette[DotValue] = dotColour;
    job->Palette[StrokeValue] = strokeColour;
    job->Ordered = dotColour != strokeColour;
    Submit(std::move(job), image);
}

void BatchPainter::Fan(QImage& image, const Placement& placement, SurfacePoint from,
    SurfacePoints points, QRgb colour, PixelPen pen)
{
    auto job = std::make_unique<Job>(Job::Kind::Fan, placement, std::move(points), pen);
    job->From = from;
    job->Palette[FanValue] = colour;
    Submit(std::move(job), image);
}

void BatchPainter::Wait()
{
    std::unique_lock lock(m_mutex);
    m_drained.wait(lock, [this] { return m_jobs.empty(); });
}

void BatchPainter::Submit(std::unique_ptr<Job> job, QImage& image)
{
    const bool resized = image.width() != m_maskWidth || image.height() != m_maskHeight;
    // The image is only copied away from a sharer (by bits() below), and the masks only
    // replaced, while no worker uses them.
    if (resized || !image.isDetached())
        Wait();
    if (resized) {
        // Workers never allocate: the masks come with all they need.
        std::vector<Mask> masks(m_masks.empty() ? WorkerCount() : m_masks.size());
        for (Mask& mask : masks) {
            mask.Bytes.assign(static_cast<std::size_t>(image.width()) * image.height(), 0);
            mask.Top = image.height();
        }
        const std::lock_guard lock(m_mutex);
        m_masks = std::move(masks);
        m_maskWidth = image.width();
        m_maskHeight = image.height();
    }
    job->Pixels = reinterpret_cast<QRgb*>(image.bits());
    job->Stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    StartWorkers();
    {
        const std::lock_guard lock(m_mutex);
        job->Sequence = ++m_submitted;
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void BatchPainter::StartWorkers()
{
    // All or none: a batch is done only when every worker has painted its share.
    try {
        while (m_workers.size() < m_masks.size())
            m_workers.emplace_back(&BatchPainter::Work, this, static_cast<int>(m_workers.size()));
    } catch (...) {
        StopWorkers();
        throw;
    }
}

void BatchPainter::StopWorkers()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
    m_workers.clear();
    m_stop = false;
}

void BatchPainter::Work(int worker)
{
    // Started from a thread whose wide vector registers may be in use.
    ClearWideVectorState();
    std::uint64_t done = 0; // the last batch this worker has painted its share of
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(
            lock, [&] { return m_stop || (!m_jobs.empty() && m_jobs.front()->Sequence > done); });
        if (m_stop)
            return;
        Job& job = *m_jobs.front();
        done = job.Sequence;
        lock.unlock();
        Paint(job, worker);
        lock.lock();
        if (++job.Arrived < m_masks.size())
            continue;
        if (m_stop)
            return;
        // The others wait for the next batch, so the masks are this worker's alone.
        lock.unlock();
        Merge(job);
        lock.lock();
        m_jobs.pop_front();
        if (m_jobs.empty())
            m_drained.notify_all();
        m_wake.notify_all();
    }
}

template <class PaintStretch>
void BatchPainter::ForEachShare(Job& job, int worker, PaintStretch paint) const
{
    const std::size_t count = job.Points->size();
    if (job.Ordered) {
        const std::size_t parts = m_masks.size();
        const auto part = static_cast<std::size_t>(worker);
        paint(count * part / parts, count * (part + 1) / parts);
        return;
    }
    for (;;) {
        const std::size_t begin = job.NextChunk.fetch_add(ChunkSize, std::memory_order_relaxed);
        if (begin >= count)
            return;
        paint(begin, std::min(count, begin + ChunkSize));
    }
}

void BatchPainter::Paint(Job& job, int worker)
{
    Mask& mask = m_masks[static_cast<std::size_t>(worker)];
    const std::vector<SurfacePoint>& points = *job.Points;
    const ClipArea& area = job.Where.Area;
    const double scale = job.Where.DevicePixelsPerTwip;
    const auto device = [scale](SurfacePoint p) { return QPointF(p.X, p.Y) * scale; };
    // Each element as its single call would draw it, passing the same checks.
    const auto stroke = [&](SurfacePoint a, SurfacePoint b, auto&& draw) {
        if (const auto segment = area.Line(a.X, a.Y, b.X, b.Y))
            draw(device(segment->From), device(segment->To));
    };
    const auto noteRows = [&mask](const MaskTarget& writer) {
        mask.Top = std::min(mask.Top, writer.Top());
        mask.Bottom = std::max(mask.Bottom, writer.Bottom());
    };
    if (job.What == Job::Kind::Fan) {
        BundlingMaskWriter writer(
            mask.Bytes.data(), m_maskWidth, m_maskHeight, FanValue, mask.Room);
        const auto draw = [&](QPointF from, QPointF to) { writer.Line(from, to, job.Pen); };
        ForEachShare(job, worker, [&](std::size_t begin, std::size_t end) {
            for (std::size_t k = begin; k < end; ++k)
                stroke(job.From, points[k], draw);
        });
        writer.Flush();
        noteRows(writer);
        return;
    }
    MaskWriter writer(mask.Bytes.data(), m_maskWidth, m_maskHeight);
    const auto draw
        = [&](QPointF from, QPointF to) { writer.Line(from, to, StrokeValue, job.Pen); };
    ForEachShare(job, worker, [&](std::size_t begin, std::size_t end) {
        for (std::size_t k = begin; k < end; ++k) {
            const SurfacePoint p = points[k];
            if (area.ShowsCircle(p.X, p.Y, 0.0f))
                writer.Dot(device(p), DotValue);
            if (k > 0)
                stroke(points[k - 1], p, draw);
        }
    });
    noteRows(writer);
}

void BatchPainter::Merge(const Job& job)
{
    const std::size_t width = static_cast<std::size_t>(m_maskWidth);
    int top = m_maskHeight;
    int bottom = -1;
    for (const Mask& mask : m_masks) {
        top = std::min(top, mask.Top);
        bottom = std::max(bottom, mask.Bottom);
    }
    const std::size_t masks = m_masks.size();
    const std::uint8_t* rows[MostWorkers];
    for (int row = top; row <= bottom; ++row) {
        QRgb* const out = job.Pixels + row * job.Stride;
        for (std::size_t m = 0; m < masks; ++m)
            rows[m] = m_masks[m].Bytes.data() + static_cast<std::size_t>(row) * width;
        for (std::size_t x = 0; x < width; x += 8) {
            const std::size_t end = std::min(width, x + 8);
            // Most of the picture lies between the lines: eight pixels at a time are skipped.
            if (end == x + 8) {
                std::uint64_t marks = 0;
                for (std::size_t m = 0; m < masks; ++m) {
                    std::uint64_t eight;
                    std::memcpy(&eight, rows[m] + x, sizeof eight);
                    marks |= eight;
                }
                if (marks == 0)
                    continue;
            }
            for (std::size_t pixel = x; pixel < end; ++pixel) {
                // The last worker's mark wins: in an ordered batch it was made last.
                std::uint8_t value = 0;
                for (std::size_t m = 0; m < masks; ++m)
                    value = rows[m][pixel] ? rows[m][pixel] : value;
                if (value)
                    out[pixel] = job.Palette[value];
            }
        }
    }
    for (Mask& mask : m_masks) {
        if (mask.Top <= mask.Bottom)
            std::memset(mask.Bytes.data() + static_cast<std::size_t>(mask.Top) * width, 0,
                static_cast<std::size_t>(mask.Bottom - mask.Top + 1) * width);
        mask.Top = m_maskHeight;
        mask.Bottom = -1;
    }
}
