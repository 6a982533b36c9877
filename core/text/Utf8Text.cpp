#include "core/text/Utf8Text.h"

#include <QStringDecoder>

QString Utf8Text(const char* data, qsizetype size)
{
    // As fromUtf8: no bytes at all are a null text, no bytes at an address an empty one.
    if (!data)
        return {};
    if (size == 0)
        return QStringLiteral("");
    QStringDecoder decode(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decode(QByteArrayView(data, size));
}
