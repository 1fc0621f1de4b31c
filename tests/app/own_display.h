#pragma once

#include <sys/types.h>

// A virtual X server of the test run's own, for a run started without a display (ctest on its
// own, or an IDE): Xvfb picks a free display number itself, so parallel runs never collide.
// Nothing happens when a display is already set.
class OwnDisplay {
public:
    OwnDisplay();
    ~OwnDisplay();
    OwnDisplay(const OwnDisplay&) = delete;
    OwnDisplay& operator=(const OwnDisplay&) = delete;
    // False when a display was needed and none could be started; Error() says why.
    bool Ready() const { return m_ready; }
    const char* Error() const { return m_error; }

private:
    pid_t m_server = -1;
    bool m_ready = true;
    const char* m_error = "";
};
