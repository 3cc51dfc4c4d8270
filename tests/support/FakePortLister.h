#pragma once

#include "link/PortLister.h"

// Hands out the port names a test sets and counts the scans.
class FakePortLister : public TPortLister
{
public:
    QStringList portNames() override;

    QStringList ports;
    int calls = 0;
};
