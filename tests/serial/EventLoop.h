#pragma once
// The serial layer runs on a Qt event loop: the tests here turn one until
// what they wait for has happened.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <unistd.h>

namespace zarn::test {

// The process's one application; made before the first port is opened.
inline void eventLoop()
{
    static int argc = 1;
    static char arg0[] = "zarn-serial-test";
    static char* argv[] = { arg0, nullptr };
    static QCoreApplication app(argc, argv);
}

// Turns the event loop until `done` or `ms` have passed.
inline bool spinUntil(const std::function<bool()>& done, int ms)
{
    eventLoop();
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ::usleep(1000);
    }
    return done();
}

inline void spinFor(int ms)
{
    spinUntil([] { return false; }, ms);
}

} // namespace zarn::test
