#pragma once

#include "render/viewtransform.h"
#include "scene/profile.h"

#include <QtCore/qnamespace.h>

#include <cstdint>
#include <optional>
#include <utility>

// Zooming and panning a drawn picture with the mouse and the keys, without a widget: a widget
// hands over its events as plain values and acts on the request it gets back. Pixels are
// logical pixels from the top left corner of the drawing surface; data points are mapped with
// the scales of the picture on show.

// One wheel notch (120 eighths of a degree) or one zoom key shrinks the visible width and
// height by this factor, or widens them by it.
inline constexpr double ZoomPerStep = 1.25;
// The distance a touchpad scrolls, in pixels, for as much zoom as one wheel notch.
inline constexpr double PixelsPerStep = 100.0;
// An arrow key moves the view by this share of its width or height.
inline constexpr double PanPerKey = 0.1;

// The data point drawn at `pixel` with the view's current scales: ToScreen undone.
PointD DataAt(const SceneView& view, PointD pixel);

// What an input asks of the picture.
struct NavigationRequest {
    enum class Kind { Nothing, Show, Menu };
    Kind What = Kind::Nothing;
    // For Show: the range to show; none for the whole profile.
    std::optional<DataRange> Visible;

    bool operator==(const NavigationRequest&) const = default;
};

// The gestures on a picture and the ranges they lead to:
// - the wheel zooms about the data point under the cursor, a touchpad's pixel deltas in
//   proportion to their length;
// - a drag with the left button pans, the data point grabbed staying under the cursor;
// - a drag with the right button, or with the left and Shift held at the press, zooms to the
//   rectangle dragged; a right click without a drag asks for the menu;
// - a left double-click, and the key 0, show the whole profile;
// - + (or =) and - zoom about the centre, the arrow keys pan; the Menu key and Shift+F10 ask
//   for the menu.
// A press that moves less than the drag distance (Manhattan length) is a click. A range equal
// to the whole profile is asked for as none, so the unzoomed drawing is the usual one. Show is
// only asked for when the range would change.
class PictureNavigation {
public:
    explicit PictureNavigation(int dragDistance);

    // The picture on show: drawn with `view` (its scales set) from a profile whose width is
    // maxX. Called after every drawing, also during a drag. Until then, or after
    // SetNothingShown, only the menu can be asked for.
    void SetShown(const SceneView& view, double maxX);
    void SetNothingShown();
    const SceneView* Shown() const { return m_view ? &*m_view : nullptr; }

    NavigationRequest Press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, PointD pixel);
    NavigationRequest Move(PointD pixel);
    NavigationRequest Release(Qt::MouseButton button, PointD pixel);
    NavigationRequest DoubleClick(Qt::MouseButton button);
    // The wheel's vertical turn in eighths of a degree and the touchpad's in pixels (0 when
    // the device gives none; the pixels are preferred when both are given).
    NavigationRequest Wheel(PointD pixel, int angleDelta, int pixelDelta);
    // None for a key that is not one of the navigation's.
    std::optional<NavigationRequest> Key(int key, Qt::KeyboardModifiers modifiers);

    // The corners of the rectangle being dragged for a zoom (press, then cursor), while one is.
    std::optional<std::pair<PointD, PointD>> Band() const;
    // Whether a drag is moving the view.
    bool Panning() const { return m_gesture == Gesture::Pan && m_dragged; }

private:
    enum class Gesture { None, Pan, Band };

    DataRange Current() const;
    NavigationRequest ShowRange(const DataRange& range) const;
    NavigationRequest ShowWhole() const;

    int m_dragDistance;
    std::optional<SceneView> m_view;
    DataRange m_whole;
    Gesture m_gesture = Gesture::None;
    Qt::MouseButton m_button = Qt::NoButton;
    bool m_dragged = false;
    PointD m_pressedAt;
    PointD m_cursor;
    // Pan: the data point under the cursor at the press.
    PointD m_grabbed;
};

// The vertex nearest to `pixel` by distance on screen, among those the view draws from
// (VerticesInView); none without stored vertices. The search starts at the cursor's X by
// binary search and widens to either side only while the horizontal distance alone could
// still beat the nearest found.
std::optional<std::int64_t> NearestVertex(
    const LoadedProfile& profile, const SceneView& view, PointD pixel);
