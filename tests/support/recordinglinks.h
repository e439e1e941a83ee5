#pragma once

#include "shell/shellexecute.h"

#include <QStringList>
#include <vector>

// A link opener that records every call and opens nothing.
class RecordingLinks final : public shell::Links
{
public:
    struct Call {
        platform::Form *owner;
        QString operation;
        QString file;
        QString parameters;
        QString directory;
        int showCommand;
    };
    std::vector<Call> calls;
    qintptr result = shell::ShellExecuteSucceeded; // what every call answers

    qintptr ShellExecute(platform::Form *hwnd, const QString &lpOperation, const QString &lpFile,
                         const QString &lpParameters, const QString &lpDirectory,
                         int nShowCmd) override
    {
        calls.push_back({hwnd, lpOperation, lpFile, lpParameters, lpDirectory, nShowCmd});
        return result;
    }
    // The targets in the order they were asked for.
    QStringList files() const
    {
        QStringList out;
        for (const Call &call : calls)
            out.push_back(call.file);
        return out;
    }
};
