#include "ui/triangle_export/written_file_offer.h"

#include <QDesktopServices>
#include <QSettings>
#include <QUrl>

#include "model/base/shown_name.h"

namespace quorva {

namespace {

const QString DeclinedSetting = QStringLiteral("export/openWrittenSpreadsheetDeclined");

} // namespace

void OfferToOpenWrittenFile(const std::string& fileName, TUserDialogs& dialogs)
{
    QSettings settings;
    if (settings.value(DeclinedSetting, false).toBool())
        return;
    if (!dialogs.Ask("The spreadsheet " + QuotedName(fileName) +
                     " is written. Open it with the desktop's application for spreadsheets?")) {
        settings.setValue(DeclinedSetting, true);
        return;
    }
    // Percent-encoded, the name keeps every byte, UTF-8 or not. The desktop
    // finds the application; one that is missing says so itself.
    const QByteArray path = QByteArray::fromStdString(fileName).toPercentEncoding("/");
    QDesktopServices::openUrl(QUrl::fromEncoded("file://" + path));
}

} // namespace quorva
