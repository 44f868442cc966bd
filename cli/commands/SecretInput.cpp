#include "SecretInput.h"

#include <QtGlobal>

#include <iostream>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace hazard_desk::cli {

namespace {

// Turns terminal echo off for its lifetime; does nothing when input is no terminal.
class EchoOff {
public:
    EchoOff()
    {
#ifdef Q_OS_WIN
        input_ = ::GetStdHandle(STD_INPUT_HANDLE);
        active_ = ::GetConsoleMode(input_, &saved_) != FALSE &&
                  ::SetConsoleMode(input_, saved_ & ~DWORD(ENABLE_ECHO_INPUT)) != FALSE;
#else
        if (::isatty(STDIN_FILENO) != 0 && ::tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
#endif
    }

    ~EchoOff()
    {
        if (!active_) {
            return;
        }
#ifdef Q_OS_WIN
        ::SetConsoleMode(input_, saved_);
#else
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
#endif
    }

    bool active() const { return active_; }

private:
    bool active_ = false;
#ifdef Q_OS_WIN
    HANDLE input_ = nullptr;
    DWORD saved_ = 0;
#else
    termios saved_{};
#endif
};

}  // namespace

bool readSecretLine(const std::string& prompt, std::string& line, std::ostream& err)
{
    EchoOff echoOff;
    if (echoOff.active()) {
        err << prompt << std::flush;
    }
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (echoOff.active()) {
        err << '\n';
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return read;
}

}  // namespace hazard_desk::cli
