#pragma once

#include "shell/winhelp.h"

#include <vector>

// A help viewer that records every call and shows nothing.
class RecordingHelp final : public shell::Help
{
public:
    struct Call {
        platform::Form *window;
        QString helpFile;
        unsigned command;
        quintptr data;
    };
    std::vector<Call> calls;
    bool result = true; // what every call answers

    bool WinHelp(platform::Form *hWnd, const QString &lpszHelp, unsigned uCommand,
                 quintptr dwData) override
    {
        calls.push_back({hWnd, lpszHelp, uCommand, dwData});
        return result;
    }
};
