#pragma once

// Routines several windows share.

// Passes the character codes of the digits 0 to 9 and of Backspace (8); every other code
// becomes 0, which discards the key. The code is replaced in place and returned.
int DigitKeyFilter(int &KeyAscii);
