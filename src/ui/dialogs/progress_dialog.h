#pragma once

#include <QPointer>
#include <QString>

#include <chrono>
#include <memory>
#include <string>

#include "model/base/progress.h"
#include "ui/base/window_clock.h"

class QProgressBar;
class QProgressDialog;
class QWidget;

namespace quorva {

class TInputBlocker;

// The progress of one long operation of the window, shown in a window-modal
// progress dialog with a Cancel button (Esc cancels too). Nothing shows for
// an operation that ends within the delay, so quick ones do not flash a
// dialog. Events are handled now and then from the start, so that the window
// repaints and its timers run; until the dialog shows, what the user types
// waits for the operation's end, as it would with no events handled. From
// the moment the dialog shows until the operation has ended the window takes
// no input, neither at once nor later, and Cancel is heard.
//
// Made on the stack around the core's call; the dialog goes with it, and not
// before: after Cancel it says "Cancelling…" until the work has ended.
class TProgressDialog final : public TProgress {
public:
    static constexpr std::chrono::milliseconds ShowDelay{500};
    // How often the events are handled: often enough for a smooth repaint,
    // rarely enough to cost the operation nothing worth measuring.
    static constexpr std::chrono::milliseconds EventInterval{50};

    TProgressDialog(QWidget* window, const QString& caption, TWindowClock clock,
                    std::chrono::milliseconds showDelay = ShowDelay);
    ~TProgressDialog() override;
    TProgressDialog(const TProgressDialog&) = delete;
    TProgressDialog& operator=(const TProgressDialog&) = delete;

    bool Proceed(std::uint64_t done, std::uint64_t total) override;

private:
    void Show();
    void Update(std::uint64_t done, std::uint64_t total);

    QWidget* window_;
    QString caption_;
    TWindowClock clock_;
    std::chrono::milliseconds start_;
    std::chrono::milliseconds showDelay_;
    std::chrono::milliseconds lastEvents_{};
    bool cancelRequested_ = false;
    std::unique_ptr<TInputBlocker> blocker_;
    QPointer<QProgressDialog> dialog_;
    QProgressBar* bar_ = nullptr; // owned by dialog_
};

// What the dialog says for each operation, naming the file without its folder.
QString ExportingCaption(int column, const std::string& fileName);
QString SavingCaption(const std::string& fileName);
QString OpeningCaption(const std::string& fileName);
QString BuildingCaption(int column);
QString CopyingCaption();
QString RestoringCaption();

} // namespace quorva
