// Helpers shared by the tests.
#pragma once

#include "platform/rtl/Variant.h"

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

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
