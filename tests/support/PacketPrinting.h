#pragma once
// Readable QCOMPARE failures for decoded packets.

#include "link/FrameCodec.h"

char* toString(const TNetPacket& packet);
