#pragma once

#include <cstdint>

#include "model/base/error.h"

namespace quorva {

// How a long operation (Open, Save, Start) tells its caller how far it has
// got, and learns whether to go on. The core knows nothing of windows: the
// window turns this into its progress dialog.
class TProgress {
public:
    virtual ~TProgress() = default;

    // `done` of `total` units of work are finished. Called now and then from
    // the thread that started the operation; returns false when the user
    // asked to stop, after which the operation ends with Cancelled.
    virtual bool Proceed(std::uint64_t done, std::uint64_t total) = 0;
};

// Tells `progress` that `done` of `total` units are finished, and raises
// Cancelled when it says stop.
void ProceedOrCancel(TProgress& progress, std::uint64_t done, std::uint64_t total);

// A progress that never stops anything, for callers with nobody to ask.
TProgress& NoProgress();

// Raised when an operation stops because its progress said so. It is not a
// failure: nothing is reported, and the operation has changed nothing; so
// callers that report an Error catch this first.
class Cancelled : public Error {
public:
    Cancelled() : Error("Cancelled") {}
};

} // namespace quorva
