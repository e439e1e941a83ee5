#include "windows/dialogs/module1.h"

int DigitKeyFilter(int &KeyAscii)
{
    if ((KeyAscii < '0' || KeyAscii > '9') && KeyAscii != 8)
        KeyAscii = 0;
    return KeyAscii;
}
