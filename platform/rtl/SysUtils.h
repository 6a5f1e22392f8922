// Exceptions, assertions and small formatting helpers of the runtime.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <exception>

namespace kv {

// Base of every exception the library raises. Message() is the exact text.
class Exception : public std::exception
{
public:
    explicit Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }
    virtual QString ClassName() const { return QStringLiteral("Exception"); }

protected:
    void SetMessage(QString message)
    {
        FMessage = std::move(message);
        FUtf8 = FMessage.toUtf8();
    }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// The text a user sees for E: our exceptions' message, else what() read as UTF-8.
QString ExceptionMessage(const std::exception& E);

#define KV_DECLARE_EXCEPTION(Name, Base)                                  \
    class Name : public Base                                             \
    {                                                                    \
    public:                                                              \
        using Base::Base;                                                \
        QString ClassName() const override { return QStringLiteral(#Name); } \
    };

KV_DECLARE_EXCEPTION(EArgumentException, Exception)
KV_DECLARE_EXCEPTION(EArgumentNilException, EArgumentException)
KV_DECLARE_EXCEPTION(EArgumentOutOfRangeException, EArgumentException)
KV_DECLARE_EXCEPTION(EConvertError, Exception)
KV_DECLARE_EXCEPTION(EVariantError, Exception)
KV_DECLARE_EXCEPTION(EDivByZero, EVariantError)
KV_DECLARE_EXCEPTION(EListError, Exception)
KV_DECLARE_EXCEPTION(EAbstractError, Exception)
// A checked cast of an object to a class it is not: "Invalid class typecast".
KV_DECLARE_EXCEPTION(EInvalidCast, Exception)
KV_DECLARE_EXCEPTION(EComponentError, Exception)
KV_DECLARE_EXCEPTION(EKeyNotFound, EListError)
KV_DECLARE_EXCEPTION(EIniFileException, Exception)
// The silent exception: ends an operation without an error message.
KV_DECLARE_EXCEPTION(EAbort, Exception)
// A file that could not be read or written.
KV_DECLARE_EXCEPTION(EInOutError, Exception)

// An internal invariant that did not hold. Message() reads "text (module, line N)".
class EAssertionFailed : public Exception
{
public:
    EAssertionFailed(QString text, QString module, int line);
    const QString& AssertMessage() const { return FText; }
    const QString& Module() const { return FModule; }
    int Line() const { return FLine; }
    QString ClassName() const override { return QStringLiteral("EAssertionFailed"); }

private:
    QString FText;
    QString FModule;
    int FLine;
};

// "KvGrids.Model" from a source path such as ".../model/KvGrids.Model.cpp".
QString ModuleNameOf(const char* sourcePath);

// Reports an error that the caller goes on after (a preview that did not load, say). The ui
// layer installs its message path; without it the text goes to Qt's warning output.
using TExceptionReporter = void (*)(const QString& Message);
void ReportException(const QString& Message);
TExceptionReporter SetExceptionReporter(TExceptionReporter Reporter);

[[noreturn]] void RaiseAssertion(const QString& text, const char* sourcePath, int line);
[[noreturn]] void RaiseAbstractError(const char* method);
[[noreturn]] void RaiseListIndexError(qsizetype index, qsizetype count);

} // namespace kv

// Raises EAssertionFailed with the message, this module's name and the line when cond is false.
#define KV_ASSERT(cond, message)                                   \
    do {                                                           \
        if (!(cond))                                               \
            ::kv::RaiseAssertion(QString(message), __FILE__, __LINE__); \
    } while (false)
