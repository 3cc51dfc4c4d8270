#include "support/PacketPrinting.h"

#include <QByteArray>

char* toString(const TNetPacket& packet)
{
    const QByteArray text =
        QByteArray("TNetPacket(Command ") + QByteArray::number(packet.Command, 16) + " Route1 " +
        QByteArray::number(packet.Route1, 16) + " Route2 " + QByteArray::number(packet.Route2, 16) +
        " HByte " + QByteArray::number(packet.HByte, 16) + " Payload " + packet.Payload.toHex(' ') + ")";
    return qstrdup(text.constData());
}
