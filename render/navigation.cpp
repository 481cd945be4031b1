#include "render/navigation.h"

#include "render/drawscene.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <ranges>

PointD DataAt(const SceneView& view, PointD pixel)
{
    return {view.OriginX + pixel.X * TwipsPerPixel / view.ScaleX,
        view.OriginY + (view.ViewHeight - pixel.Y * TwipsPerPixel) / view.ScaleY};
}

PictureNavigation::PictureNavigation(int dragDistance)
    : m_dragDistance(dragDistance)
{
}

void PictureNavigation::SetShown(const SceneView& view, double maxX)
{
    m_view = view;
    m_whole = WholeRange(view, maxX);
}

void PictureNavigation::SetNothingShown()
{
    m_view.reset();
}

DataRange PictureNavigation::Current() const
{
    return m_view->Visible.value_or(m_whole);
}

NavigationRequest PictureNavigation::ShowRange(const DataRange& range) const
{
    std::optional<DataRange> visible;
    if (range != m_whole)
        visible = range;
    if (visible == m_view->Visible)
        return {};
    return {NavigationRequest::Kind::Show, visible};
}

NavigationRequest PictureNavigation::ShowWhole() const
{
    return ShowRange(m_whole);
}

NavigationRequest PictureNavigation::Press(
    Qt::MouseButton button, Qt::KeyboardModifiers modifiers, PointD pixel)
{
    // A second button during a gesture changes nothing about it.
    if (m_gesture != Gesture::None)
        return {};
    if (button == Qt::LeftButton && !(modifiers & Qt::ShiftModifier))
        m_gesture = Gesture::Pan;
    else if (button == Qt::LeftButton || button == Qt::RightButton)
        m_gesture = Gesture::Band;
    else
        return {};
    m_button = button;
    m_dragged = false;
    m_pressedAt = m_cursor = pixel;
    if (m_view)
        m_grabbed = DataAt(*m_view, pixel);
    return {};
}

NavigationRequest PictureNavigation::Move(PointD pixel)
{
    if (m_gesture == Gesture::None)
        return {};
    m_cursor = pixel;
    const double moved = std::abs(pixel.X - m_pressedAt.X) + std::abs(pixel.Y - m_pressedAt.Y);
    m_dragged = m_dragged || moved >= m_dragDistance;
    if (m_gesture != Gesture::Pan || !m_dragged || !m_view)
        return {};
    const PointD under = DataAt(*m_view, pixel);
    return ShowRange(PanBy(Current(), m_whole, {m_grabbed.X - under.X, m_grabbed.Y - under.Y}));
}

NavigationRequest PictureNavigation::Release(Qt::MouseButton button, PointD pixel)
{
    if (m_gesture == Gesture::None || button != m_button)
        return {};
    // Where the last move left the cursor, the view already follows it; going over the same
    // pixel again with the new view's rounding could nudge it.
    NavigationRequest request;
    if (pixel.X != m_cursor.X || pixel.Y != m_cursor.Y)
        request = Move(pixel);
    if (m_gesture == Gesture::Band) {
        if (m_dragged && m_view) {
            const PointD from = DataAt(*m_view, m_pressedAt);
            const PointD to = DataAt(*m_view, pixel);
            // A side shorter than a drag is no choice of range: that axis keeps what it shows,
            // rather than shrinking to the narrowest range a double resolves.
            const DataRange now = Current();
            const bool acrossX = std::abs(pixel.X - m_pressedAt.X) >= m_dragDistance;
            const bool acrossY = std::abs(pixel.Y - m_pressedAt.Y) >= m_dragDistance;
            request = ShowRange(ZoomTo({acrossX ? from.X : now.X0, acrossX ? to.X : now.X1,
                                           acrossY ? from.Y : now.Y0, acrossY ? to.Y : now.Y1},
                m_whole));
        } else if (!m_dragged && button == Qt::RightButton) {
            request = {NavigationRequest::Kind::Menu, {}};
        }
    }
    m_gesture = Gesture::None;
    return request;
}

NavigationRequest PictureNavigation::DoubleClick(Qt::MouseButton button)
{
    if (button != Qt::LeftButton || !m_view)
        return {};
    // Qt sends the double-click in place of the second press; its release then finds no gesture.
    m_gesture = Gesture::None;
    return ShowWhole();
}

NavigationRequest PictureNavigation::Wheel(PointD pixel, int angleDelta, int pixelDelta)
{
    if (!m_view)
        return {};
    // However far one event turns the wheel, it zooms by at most MostStepsAtOnce notches, so
    // the factor stays a finite number above 0.
    constexpr double MostStepsAtOnce = 50;
    const double steps = std::clamp(
        pixelDelta != 0 ? pixelDelta / PixelsPerStep : angleDelta / 120.0, -MostStepsAtOnce,
        MostStepsAtOnce);
    if (steps == 0)
        return {};
    return ShowRange(
        ZoomAround(Current(), m_whole, DataAt(*m_view, pixel), std::pow(ZoomPerStep, steps)));
}

std::optional<NavigationRequest> PictureNavigation::Key(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && modifiers & Qt::ShiftModifier))
        return NavigationRequest{NavigationRequest::Kind::Menu, {}};
    const auto zoom = [this](double factor) {
        const DataRange now = Current();
        const PointD centre{now.X0 + (now.X1 - now.X0) / 2, now.Y0 + (now.Y1 - now.Y0) / 2};
        return ShowRange(ZoomAround(now, m_whole, centre, factor));
    };
    const auto pan = [this](double right, double up) {
        const DataRange now = Current();
        return ShowRange(PanBy(now, m_whole,
            {right * PanPerKey * (now.X1 - now.X0), up * PanPerKey * (now.Y1 - now.Y0)}));
    };
    const bool navigates = key == Qt::Key_Plus || key == Qt::Key_Equal || key == Qt::Key_Minus
        || key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up
        || key == Qt::Key_Down || key == Qt::Key_0;
    if (!navigates)
        return std::nullopt;
    if (!m_view)
        return NavigationRequest{};
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return zoom(ZoomPerStep);
    case Qt::Key_Minus:
        return zoom(1 / ZoomPerStep);
    case Qt::Key_Left:
        return pan(-1, 0);
    case Qt::Key_Right:
        return pan(1, 0);
    case Qt::Key_Up:
        return pan(0, 1);
    case Qt::Key_Down:
        return pan(0, -1);
    default:
        return ShowWhole();
    }
}

std::optional<std::pair<PointD, PointD>> PictureNavigation::Band() const
{
    if (m_gesture != Gesture::Band || !m_dragged)
        return std::nullopt;
    return std::pair{m_pressedAt, m_cursor};
}

std::optional<std::int64_t> NearestVertex(
    const LoadedProfile& profile, const SceneView& view, PointD pixel)
{
    const VertexSpan span
        = VerticesInView(profile, view.Visible.value_or(WholeRange(view, profile.Extents.MaxX)));
    if (span.Last < span.First)
        return std::nullopt;
    const PointD cursor = DataAt(view, pixel);
    const auto indices = std::views::iota(span.First, span.Last + 1);
    const std::int64_t firstRight = span.First
        + (std::ranges::partition_point(
               indices, [&](std::int64_t k) { return profile.Points(k).X < cursor.X; })
            - indices.begin());
    // Distances in twips on screen.
    const auto across = [&](std::int64_t k) {
        return std::abs(view.ScaleX * (profile.Points(k).X - cursor.X));
    };
    double nearest = std::numeric_limits<double>::infinity();
    std::optional<std::int64_t> found;
    std::int64_t left = firstRight - 1;
    std::int64_t right = firstRight;
    for (;;) {
        const bool leftOpen = left >= span.First && across(left) < nearest;
        const bool rightOpen = right <= span.Last && across(right) < nearest;
        if (!leftOpen && !rightOpen)
            return found;
        const std::int64_t k = leftOpen && (!rightOpen || across(left) <= across(right))
            ? left--
            : right++;
        const double distance
            = std::hypot(across(k), view.ScaleY * (profile.Points(k).Y - cursor.Y));
        if (distance < nearest) {
            nearest = distance;
            found = k;
        }
    }
}
