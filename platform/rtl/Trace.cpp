#include "platform/rtl/Trace.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Variant.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kv {

namespace {
bool EnvTraceEnabled()
{
    const char* v = std::getenv("KVGRIDS_TRACE");
    return v && std::strcmp(v, "1") == 0;
}

TTraceSink& Sink()
{
    static TTraceSink sink;
    return sink;
}
} // namespace

namespace detail {
bool gTraceEnabled = EnvTraceEnabled();

void WriteTrace(const QString& line)
{
    if (Sink())
        Sink()(line);
    else
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

QString TracePrefix(const TObject* object)
{
    if (!object)
        return QString();
    return QLatin1Char('[') + object->ClassName() + QLatin1String("] ");
}
} // namespace detail

void SetTraceSink(TTraceSink sink)
{
    Sink() = std::move(sink);
    detail::gTraceEnabled = Sink() ? true : EnvTraceEnabled();
}

void trace(long double value)
{
    if (TraceEnabled())
        detail::WriteTrace(FloatToStr(static_cast<double>(value)));
}

TTraceCapture::TTraceCapture()
{
    SetTraceSink([this](const QString& line) { FLines.append(line); });
}

TTraceCapture::~TTraceCapture()
{
    SetTraceSink({});
}

} // namespace kv
