#pragma once

#include <QString>

#include <string>

// The text of a row-list file of `count` lines whose first values count up,
// from 00 to 99 and round again.
inline std::string RowListText(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("%1 01 02 03 04 05 06\r\n")
                    .arg(i % 100, 2, 10, QLatin1Char('0'))
                    .toStdString();
    return text;
}
