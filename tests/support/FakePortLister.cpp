#include "support/FakePortLister.h"

QStringList FakePortLister::portNames()
{
    ++calls;
    return ports;
}
