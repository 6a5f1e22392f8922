#include "platform/rtl/SysUtils.h"

#include <utility>

#include <QtCore/QFileInfo>

namespace kv {

QString ExceptionMessage(const std::exception& E)
{
    const auto* error = dynamic_cast<const Exception*>(&E);
    return error ? error->Message() : QString::fromUtf8(E.what());
}

EAssertionFailed::EAssertionFailed(QString text, QString module, int line)
    : Exception(QStringLiteral("%1 (%2, line %3)").arg(text, module).arg(line)),
      FText(std::move(text)), FModule(std::move(module)), FLine(line)
{
}

namespace {
TExceptionReporter gExceptionReporter = nullptr;
} // namespace

void ReportException(const QString& Message)
{
    if (gExceptionReporter)
        gExceptionReporter(Message);
    else
        qWarning("%s", qUtf8Printable(Message));
}

TExceptionReporter SetExceptionReporter(TExceptionReporter Reporter)
{
    return std::exchange(gExceptionReporter, Reporter);
}

QString ModuleNameOf(const char* sourcePath)
{
    return QFileInfo(QString::fromUtf8(sourcePath)).completeBaseName();
}

void RaiseAssertion(const QString& text, const char* sourcePath, int line)
{
    throw EAssertionFailed(text, ModuleNameOf(sourcePath), line);
}

void RaiseAbstractError(const char* method)
{
    throw EAbstractError(QStringLiteral("Abstract Error: %1").arg(QString::fromUtf8(method)));
}

void RaiseListIndexError(qsizetype index, qsizetype count)
{
    throw EListError(QStringLiteral("List index out of bounds (%1).  List count is %2").arg(index).arg(count));
}

} // namespace kv
