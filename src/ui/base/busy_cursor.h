#pragma once

#include <Qt>

namespace quorva {

// Shows the given cursor over the whole program for the guard's lifetime, and
// puts the previous one back however the scope is left. Guards nest, so a
// modal message inside a busy operation can show the normal arrow again.
class TOverrideCursor {
public:
    explicit TOverrideCursor(Qt::CursorShape shape);
    ~TOverrideCursor();
    TOverrideCursor(const TOverrideCursor&) = delete;
    TOverrideCursor& operator=(const TOverrideCursor&) = delete;
};

// While a file operation runs.
class TBusyCursor : public TOverrideCursor {
public:
    TBusyCursor() : TOverrideCursor(Qt::WaitCursor) {}
};

// While a modal message waits for the user.
class TNormalCursor : public TOverrideCursor {
public:
    TNormalCursor() : TOverrideCursor(Qt::ArrowCursor) {}
};

} // namespace quorva
