#include "ui/base/display_text.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace quorva {

QString DisplayText(std::string_view bytes)
{
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // A byte-order mark is text like any other here: it is converted, not
    // swallowed, so the user sees that the line does not start with a digit.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(view);
}

} // namespace quorva
