// The debug trace: one line per call, written to standard error when KVGRIDS_TRACE=1,
// or to a sink installed by the caller (tests capture lines that way). Costs one load
// of a flag when disabled. A message built from parts goes through KV_TRACE, which
// evaluates its arguments only when tracing is on.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <functional>
#include <type_traits>

namespace kv {

class TObject;

namespace detail {
extern bool gTraceEnabled;
void WriteTrace(const QString& line);
QString TracePrefix(const TObject* object);
}

inline bool TraceEnabled() { return detail::gTraceEnabled; }

using TTraceSink = std::function<void(const QString&)>;
// Installs a sink and enables tracing; an empty sink restores the default (environment) state.
void SetTraceSink(TTraceSink sink);

inline void trace(const QString& text)
{
    if (TraceEnabled())
        detail::WriteTrace(text);
}
inline void trace(const char* text)
{
    if (TraceEnabled())
        detail::WriteTrace(QString::fromUtf8(text));
}
void trace(long double value);
inline void trace(double value) { trace(static_cast<long double>(value)); }

namespace detail {
// printf arguments: numbers, enumerations and C strings, never QString.
template <typename... Args>
constexpr bool PrintfArgs = ((std::is_arithmetic_v<std::decay_t<Args>> || std::is_enum_v<std::decay_t<Args>> ||
                              std::is_pointer_v<std::decay_t<Args>>) && ...);
}

// printf-style: trace("Row %d of %d", row, count).
template <typename A, typename... Rest>
void trace(const char* format, A&& arg, Rest&&... rest)
{
    static_assert(detail::PrintfArgs<A, Rest...>, "trace format arguments must be numbers or C strings");
    if (TraceEnabled())
        detail::WriteTrace(QString::asprintf(format, std::forward<A>(arg), std::forward<Rest>(rest)...));
}

// "[" class name "] " text; no prefix for a null object.
inline void trace(const TObject* object, const QString& text)
{
    if (TraceEnabled())
        detail::WriteTrace(detail::TracePrefix(object) + text);
}
inline void trace(const TObject* object, const char* text)
{
    if (TraceEnabled())
        detail::WriteTrace(detail::TracePrefix(object) + QString::fromUtf8(text));
}
template <typename A, typename... Rest>
void trace(const TObject* object, const char* format, A&& arg, Rest&&... rest)
{
    static_assert(detail::PrintfArgs<A, Rest...>, "trace format arguments must be numbers or C strings");
    if (TraceEnabled())
        detail::WriteTrace(detail::TracePrefix(object) +
                           QString::asprintf(format, std::forward<A>(arg), std::forward<Rest>(rest)...));
}

// trace(...) when tracing is on; the arguments (a message built by concatenation, say) are
// not evaluated otherwise.
#define KV_TRACE(...)                  \
    do {                               \
        if (::kv::TraceEnabled())      \
            ::kv::trace(__VA_ARGS__);  \
    } while (false)

// Captures trace lines for its lifetime (for tests).
class TTraceCapture
{
public:
    TTraceCapture();
    ~TTraceCapture();
    TTraceCapture(const TTraceCapture&) = delete;
    TTraceCapture& operator=(const TTraceCapture&) = delete;
    const QStringList& Lines() const { return FLines; }
    void Clear() { FLines.clear(); }

private:
    QStringList FLines;
};

} // namespace kv
