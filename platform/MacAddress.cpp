#include "platform/MacAddress.h"

#include "core/util/Text.h"

QByteArray MacAddress::FormatMACAddress(const QByteArray &sixBytes, char separator)
{
    if (sixBytes.size() != 6)
        return QByteArray();
    QByteArray out;
    for (qsizetype i = 0; i < sixBytes.size(); ++i) {
        if (i > 0)
            out += separator;
        out += Text::HexBytes(static_cast<quint8>(sixBytes[i]));
    }
    return out;
}
