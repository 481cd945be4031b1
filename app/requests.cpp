#include "app/requests.h"

#include <utility>

namespace {

constexpr std::pair<ProfileShape, std::string_view> ShapeNames[] = {
    { ProfileShape::SmallIntegers, "small" },
    { ProfileShape::VerticalSteps, "steps" },
    { ProfileShape::EqualX, "same-x" },
    { ProfileShape::NearlyCollinear, "collinear" },
    { ProfileShape::SteepClusters, "clusters" },
    { ProfileShape::ContestIntegers, "contest" },
    { ProfileShape::Magnitudes, "magnitudes" },
    { ProfileShape::SingleSlope, "slope" },
    { ProfileShape::FlatRuns, "flat" },
};

} // namespace

std::string_view ShapeName(ProfileShape shape)
{
    for (const auto& [named, name] : ShapeNames) {
        if (named == shape)
            return name;
    }
    return {};
}

std::optional<ProfileShape> ShapeNamed(std::string_view name)
{
    for (const auto& [shape, shapeName] : ShapeNames) {
        if (shapeName == name)
            return shape;
    }
    return std::nullopt;
}
