#pragma once

#include <functional>

namespace shell
{

// Runs `end` from the event loop when the process is asked to stop (SIGTERM from a session that
// ends or from kill, SIGINT, SIGHUP), so that the program closes as Exit closes it: the
// alarm's notification withdrawn, the sound stopped, nothing left half done. Once per process.
void endOnTermination(std::function<void()> end);

} // namespace shell
