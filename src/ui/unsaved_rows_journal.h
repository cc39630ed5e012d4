#pragma once

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

#include "model/row_change.h"
#include "model/row_journal.h"

namespace quorva {

// The window's unsaved steps kept in a journal on disk, written within a
// second of each step, so that a crash or a kill loses none of them. Writing
// happens on a timer, never while the user types; a journal that cannot be
// written is given up without troubling the user, who still has the rows.
// Destroying it leaves the journal on disk: only Remove deletes it.
class TUnsavedRowsJournal : public QObject {
public:
    explicit TUnsavedRowsJournal(QObject* parent = nullptr);

    // A step about to be applied or reverted; the journal begins with the
    // first, based on the file the unsaved rows came from ("" for none).
    void Record(bool apply, const TRowChange& change, const std::string& baseFileName);
    // Goes on with a journal left behind, whose rows this window restored.
    void Adopt(const std::string& path, std::size_t validBytes);
    // The rows are saved or given up.
    void Remove();
    // Writes what is pending now.
    void Flush();

private:
    template <class TAction> void Guarded(TAction action);

    std::unique_ptr<TRowJournal> journal_;
    // Set when writing failed: a journal begun later would miss the steps
    // before it, so none is begun until the rows are saved or given up.
    bool failed_ = false;
    QTimer timer_;
};

} // namespace quorva
