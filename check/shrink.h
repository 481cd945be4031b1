#pragma once

#include "scene/profile.h"

#include <functional>
#include <vector>

// Cuts a failing profile down to a small and plain one that still fails the same way, knowing
// nothing of solvers: a trial says whether a profile does.

enum class Trial {
    SameFailure, // fails as the original did
    Other, // passes, or fails another way
    Stopped, // the user stopped the shrinking: keep what has been found
};

struct ShrinkOutcome {
    std::vector<PointD> Vertices; // fails the same way, or is the original
    int Trials = 0; // how many times `trial` was asked
    bool Stopped = false;
};

// Starting from `failing`, which fails: removes vertices, halves of them first, then
// quarters and so on down to single ones (never the last vertex); then replaces each number
// by a simpler one (0, 1, an integer, fewer digits, closer to 0), simplest first; and
// repeats both until neither helps or `maxTrials` are spent. A profile is asked about once.
ShrinkOutcome Shrink(std::vector<PointD> failing,
    const std::function<Trial(const std::vector<PointD>&)>& trial, int maxTrials = 1000);

// The simpler numbers Shrink tries for `value`, simplest first: every one strictly simpler
// than `value` (no fraction before a fraction, then a shorter text, then nearer to 1 in
// magnitude, then nearer to 0), so that replacing ends.
std::vector<double> SimplerNumbers(double value);
