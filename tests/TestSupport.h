// Helpers shared by the tests.
#pragma once

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// EXPECT that statement raises exception type E with exactly the message text.
#define KV_EXPECT_THROW_MSG(statement, E, text)                                   \
    do {                                                                          \
        try {                                                                     \
            statement;                                                            \
            ADD_FAILURE() << "expected " #E " with message: " << QString(text).toStdString(); \
        } catch (const E& e_) {                                                   \
            EXPECT_EQ(e_.Message().toStdString(), QString(text).toStdString());   \
        }                                                                         \
    } while (false)

// Writes bytes to a file in a test's temporary folder; returns the path.
inline QString WriteTestFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

namespace kvtest {

// How long a wait may last before it fails: far beyond what any wait needs on a busy machine.
constexpr int WAIT_TIMEOUT_MS = 10000;

// Delivers events until done() holds; true then. After timeoutMs the test fails naming what it
// waited for, and false is returned. The time-out only bounds a failure: nothing waits on time.
template <typename Done>
bool WaitUntil(Done&& done, const std::string& what, int timeoutMs = WAIT_TIMEOUT_MS)
{
    if (done())
        return true;
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wake; // wakes the loop's wait for more events, so done() is asked again
    wake.start(1);
    while (!done()) {
        if (deadline.hasExpired()) {
            ADD_FAILURE() << "waited " << timeoutMs << " ms in vain until " << what;
            return false;
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Delivers every posted event (paints, layouts, queued calls, window-system events) and those
// they post in turn: returns after a pass of the event loop that delivers nothing but timer
// ticks. Fails the test when events keep coming past the time-out.
inline void DeliverPosted(int timeoutMs = WAIT_TIMEOUT_MS)
{
    struct TCounter : QObject
    {
        int Delivered = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() != QEvent::Timer)
                ++Delivered;
            return false;
        }
    } counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    kv::TScopeExit removeFilter([&] { QCoreApplication::instance()->removeEventFilter(&counter); });
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        counter.Delivered = 0;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (counter.Delivered == 0)
            break;
        if (deadline.hasExpired()) {
            ADD_FAILURE() << "posted events kept coming for " << timeoutMs << " ms";
            break;
        }
    }
}

} // namespace kvtest
