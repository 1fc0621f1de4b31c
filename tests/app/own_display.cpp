#include "tests/app/own_display.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern char** environ;

OwnDisplay::OwnDisplay() {
    const char* display = std::getenv("DISPLAY");
    if ((display && *display) || std::getenv("WAYLAND_DISPLAY")) return;
    m_ready = false;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        m_error = "no pipe for Xvfb";
        return;
    }
    // The server writes the number of the display it took to this descriptor once it is up.
    std::string fdArgument = std::to_string(pipeFds[1]);
    char program[] = "Xvfb";
    char displayFd[] = "-displayfd";
    char screen[] = "-screen";
    char zero[] = "0";
    char size[] = "1600x1000x24";
    char noTcp[] = "-nolisten";
    char tcp[] = "tcp";
    // Without it the server resets whenever its last client leaves, and a test that connects
    // during the reset is refused ("could not connect to display").
    char noReset[] = "-noreset";
    char* argv[] = {program, displayFd, fdArgument.data(), screen, zero, size, noTcp, tcp, noReset, nullptr};
    if (posix_spawnp(&m_server, program, nullptr, nullptr, argv, environ) != 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        m_server = -1;
        m_error = "no display is set and Xvfb could not be started (install xvfb, or run under xvfb-run)";
        return;
    }
    close(pipeFds[1]);
    std::string number;
    pollfd wait{pipeFds[0], POLLIN, 0};
    char c = 0;
    // A few seconds are plenty for a local server; a busy machine gets twenty.
    while (poll(&wait, 1, 20000) > 0 && read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
    close(pipeFds[0]);
    if (number.empty()) {
        m_error = "Xvfb did not report a display";
        return;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    m_ready = true;
}

OwnDisplay::~OwnDisplay() {
    if (m_server <= 0) return;
    kill(m_server, SIGTERM);
    int status = 0;
    waitpid(m_server, &status, 0);
}
