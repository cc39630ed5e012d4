#include "ui/dialogs/progress_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>

#include <algorithm>
#include <utility>

#include "model/base/shown_name.h"
#include "ui/base/display_text.h"
#include "ui/base/input_blocker.h"

namespace quorva {
namespace {

// The bar counts in thousandths: the core's totals may exceed an int.
constexpr int BarSteps = 1000;

// Stays up when the user cancels, until the work has ended and the dialog is
// deleted: the window must take no input meanwhile, and the dialog's going
// tells that the work is over. Cancel, Esc and the close box only say so.
class TStayingProgressDialog final : public QProgressDialog {
public:
    using QProgressDialog::QProgressDialog;

protected:
    void reject() override { emit canceled(); }
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        emit canceled();
    }
};

// The file's own name, its bytes escaped as in every message.
QString ShownName(const std::string& fileName)
{
    return DisplayText(EscapedName(fileName.substr(fileName.find_last_of('/') + 1)));
}

} // namespace

TProgressDialog::TProgressDialog(QWidget* window, const QString& caption, TWindowClock clock,
                                 std::chrono::milliseconds showDelay)
    : window_(window), caption_(caption), clock_(std::move(clock)), start_(clock_()),
      showDelay_(showDelay)
{
}

TProgressDialog::~TProgressDialog()
{
    if (blocker_) {
        // Input that came after the last look at the events is dropped
        // here, not acted on once the dialog has gone.
        QCoreApplication::processEvents();
    }
    delete dialog_;
}

bool TProgressDialog::Proceed(std::uint64_t done, std::uint64_t total)
{
    const std::chrono::milliseconds now = clock_();
    if (!dialog_ && now - start_ >= showDelay_)
        Show();
    if (now - lastEvents_ < EventInterval)
        return !cancelRequested_;
    lastEvents_ = now;
    if (dialog_) {
        Update(done, total);
        // Repaints, and hears Cancel and Esc; input meant for the window is
        // dropped, as the dialog is modal to it.
        QCoreApplication::processEvents();
    } else {
        // Before the dialog shows, the window still paints and its timers
        // run; what the user types waits, to be taken once the operation
        // has ended, as it would be with no events handled at all.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return !cancelRequested_;
}

void TProgressDialog::Show()
{
    dialog_ =
        new TStayingProgressDialog(caption_, QProgressDialog::tr("Cancel"), 0, BarSteps, window_);
    blocker_ = std::make_unique<TInputBlocker>(dialog_);
    QObject::disconnect(dialog_, SIGNAL(canceled()), dialog_, SLOT(cancel()));
    QObject::connect(dialog_, &QProgressDialog::canceled, dialog_, [this] {
        cancelRequested_ = true;
        dialog_->setLabelText(QStringLiteral("Cancelling…"));
    });
    // A file's name is shown as it is, never read as markup.
    auto* label = new QLabel(dialog_);
    label->setTextFormat(Qt::PlainText);
    dialog_->setLabel(label);
    dialog_->setLabelText(caption_);
    dialog_->setObjectName(QStringLiteral("ProgressDialog"));
    dialog_->setWindowTitle(window_->windowTitle());
    dialog_->setWindowModality(Qt::WindowModal);
    // Shown and closed by this object only, not by the dialog's own timing.
    dialog_->setMinimumDuration(0);
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    // The bar is set directly: the dialog's own setValue() handles all
    // events on every call when it is modal.
    bar_ = new QProgressBar(dialog_);
    bar_->setRange(0, BarSteps);
    // A screen reader names the bar by what is in progress.
    bar_->setAccessibleName(caption_);
    dialog_->setBar(bar_);
    dialog_->show();
}

void TProgressDialog::Update(std::uint64_t done, std::uint64_t total)
{
    const double share = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    bar_->setValue(static_cast<int>(std::min(share, 1.0) * BarSteps));
}

QString ExportingCaption(int column, const std::string& fileName)
{
    return QStringLiteral("Exporting column %1 to %2…").arg(column + 1).arg(ShownName(fileName));
}

QString SavingCaption(const std::string& fileName)
{
    return QStringLiteral("Saving to %1…").arg(ShownName(fileName));
}

QString OpeningCaption(const std::string& fileName)
{
    return QStringLiteral("Opening %1…").arg(ShownName(fileName));
}

QString CopyingCaption()
{
    return QStringLiteral("Copying the selection…");
}

QString RestoringCaption()
{
    return QStringLiteral("Reading the unsaved rows…");
}

QString BuildingCaption(int column)
{
    return QStringLiteral("Building the triangle of column %1…").arg(column + 1);
}

} // namespace quorva
