#pragma once

#include <QStringList>

// Lists the serial ports present, in the system's order, each named as the user of that system
// knows it and as the serial port opens it (COM3, /dev/ttyUSB0).
class TPortLister
{
public:
    virtual ~TPortLister() = default;
    virtual QStringList portNames() = 0;
};
