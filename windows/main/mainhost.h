#pragma once

#include "windows/dialogs/host.h"

class Form1;
class Form1b;

// The program as the main windows see it: the shared state, and the two main windows, each
// created and loaded the first time it is asked for.
class MainHost : public Host
{
public:
    using Host::Host;
    virtual Form1 &form1() = 0;
    virtual Form1b &form1b() = 0;
};
