#include "ui/progress_dialog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include <algorithm>
#include <utility>

namespace quorva {
namespace {

// The bar counts in thousandths: the core's totals may exceed an int.
constexpr int BarSteps = 1000;

QString ShownName(const std::string& fileName)
{
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(fileName))).fileName();
}

} // namespace

TProgressDialog::TProgressDialog(QWidget* window, const QString& caption, TClock clock,
                                 std::chrono::milliseconds showDelay)
    : window_(window), caption_(caption), clock_(std::move(clock)), start_(clock_()),
      showDelay_(showDelay)
{
}

TProgressDialog::~TProgressDialog()
{
    delete dialog_;
}

bool TProgressDialog::Proceed(std::uint64_t done, std::uint64_t total)
{
    const std::chrono::milliseconds now = clock_();
    if (!dialog_ && now - start_ >= showDelay_)
        Show();
    if (dialog_ && now - lastEvents_ >= EventInterval) {
        lastEvents_ = now;
        Update(done, total);
        // Repaints, and hears Cancel and Esc; input meant for the window is
        // dropped, as the dialog is modal to it.
        QCoreApplication::processEvents();
    }
    return !(dialog_ && dialog_->wasCanceled());
}

void TProgressDialog::Show()
{
    dialog_ = new QProgressDialog(caption_, QProgressDialog::tr("Cancel"), 0, BarSteps, window_);
    dialog_->setObjectName(QStringLiteral("ProgressDialog"));
    dialog_->setWindowTitle(window_->windowTitle());
    dialog_->setWindowModality(Qt::WindowModal);
    // Shown and closed by this object only, not by the dialog's own timing.
    dialog_->setMinimumDuration(0);
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->setValue(0);
    dialog_->show();
}

void TProgressDialog::Update(std::uint64_t done, std::uint64_t total)
{
    const double share = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    dialog_->setValue(static_cast<int>(std::min(share, 1.0) * BarSteps));
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

} // namespace quorva
