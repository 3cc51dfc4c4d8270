#include "emulator/Emulator.h"

int main(int argc, char* argv[])
{
    return EmulatorMain(argc, argv);
}
