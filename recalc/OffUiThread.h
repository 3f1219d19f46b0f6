#pragma once

#include <functional>

// Runs `work` on a worker thread while the user-interface thread goes on handling window
// messages (painting, timer ticks, input), and returns once it has ended; an error it raised is
// raised again here. The caller keeps its handlers from running twice meanwhile.
void runOffUiThread(const std::function<void()>& work);
