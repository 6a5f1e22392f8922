#include "platform/net/HttpRequest.h"

#include <curl/curl.h>

#include <QtCore/QStringDecoder>
#include <chrono>

namespace kv {

namespace {

void GlobalInit()
{
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

// Frees the easy handle and the header list on every path.
struct TCurlHandles
{
    CURL* Easy = curl_easy_init();
    curl_slist* Headers = nullptr;
    ~TCurlHandles()
    {
        curl_slist_free_all(Headers);
        curl_easy_cleanup(Easy);
    }
};

} // namespace

namespace {

using TClock = std::chrono::steady_clock;

// The receive limit: the transfer ends when no byte moved for longer than the limit.
struct TIdleWatch
{
    int LimitMs = 0;
    TClock::time_point LastActivity = TClock::now();
    curl_off_t Moved = -1;
    bool TimedOut = false;
};

int WatchIdle(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
{
    auto* watch = static_cast<TIdleWatch*>(user);
    const auto now = TClock::now();
    if (dlnow + ulnow != watch->Moved) {
        watch->Moved = dlnow + ulnow;
        watch->LastActivity = now;
        return 0;
    }
    if (std::chrono::duration_cast<std::chrono::milliseconds>(now - watch->LastActivity).count() > watch->LimitMs) {
        watch->TimedOut = true;
        return 1;
    }
    return 0;
}

struct TBodySink
{
    CURL* Curl;
    QByteArray* Body;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<TBodySink*>(user);
    if (sink->Body->isEmpty()) {
        // Room for the whole body at once when its length is known.
        curl_off_t length = -1;
        if (curl_easy_getinfo(sink->Curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length > 0 &&
            length < (curl_off_t(1) << 31))
            sink->Body->reserve(static_cast<qsizetype>(length));
    }
    sink->Body->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

size_t ReadHeader(char* data, size_t size, size_t count, void* user)
{
    auto* reason = static_cast<QString*>(user);
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(size * count)).trimmed();
    // "HTTP/1.1 500 Internal Server Error": keep the reason of the last status line.
    if (line.startsWith("HTTP/")) {
        const QList<QByteArray> parts = line.split(' ');
        *reason = parts.size() > 2 ? QString::fromLatin1(line.mid(parts[0].size() + parts[1].size() + 2)) : QString();
    }
    return size * count;
}

} // namespace

THttpRequest::THttpRequest()
{
    GlobalInit();
}

THttpRequest::~THttpRequest() = default;

void THttpRequest::SetTimeouts(int resolve, int connect, int send, int receive)
{
    FResolveTimeout = std::max(0, resolve);
    FConnectTimeout = std::max(0, connect);
    FSendTimeout = std::max(0, send);
    FReceiveTimeout = std::max(0, receive);
}

void THttpRequest::Open(const QString& method, const QString& url, bool async, const QString& user,
                        const QString& password)
{
    if (async)
        throw EHttpError(QStringLiteral("Asynchronous requests are not supported"));
    FMethod = method.toUpper();
    FUrl = url;
    FUser = user;
    FPassword = password;
    FHeaders.clear();
    FOpened = true;
    FStatus = 0;
    FStatusText.clear();
    FCharset.clear();
    FBody.clear();
}

void THttpRequest::SetRequestHeader(const QString& name, const QString& value)
{
    FHeaders.append({name.toLatin1(), value.toUtf8()});
}

void THttpRequest::Send(const QByteArray& body)
{
    if (!FOpened)
        throw EHttpError(QStringLiteral("The request is not open"));
    TCurlHandles h;
    if (!h.Easy)
        throw EHttpError(QStringLiteral("Cannot create an HTTP request"));
    CURL* curl = h.Easy;
    const QByteArray url = FUrl.toUtf8();
    const QByteArray method = FMethod.toLatin1();
    const QByteArray user = FUser.toUtf8();
    const QByteArray password = FPassword.toUtf8();
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    if (FMethod == QLatin1String("POST")) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    } else if (FMethod != QLatin1String("GET")) {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.constData());
    }
    // No "Expect: 100-continue" round trip.
    h.Headers = curl_slist_append(h.Headers, "Expect:");
    for (const auto& header : FHeaders)
        h.Headers = curl_slist_append(h.Headers, (header.first + ": " + header.second).constData());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, h.Headers);
    if (!FUser.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    if (FResolveTimeout + FConnectTimeout > 0)
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(FResolveTimeout + FConnectTimeout));
    TIdleWatch watch;
    watch.LimitMs = FReceiveTimeout;
    if (FReceiveTimeout > 0) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &WatchIdle);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }
    FBody.clear();
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
    TBodySink sink{curl, &FBody};
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &ReadHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &FStatusText);

    const CURLcode rc = curl_easy_perform(curl);
    if (rc != CURLE_OK) {
        FBody.clear();
        const QString detail = watch.TimedOut ? QStringLiteral("no response within %1 ms").arg(FReceiveTimeout)
                                              : QString::fromUtf8(error[0] ? error : curl_easy_strerror(rc));
        const QString message = QStringLiteral("HTTP request to %1 failed: %2").arg(FUrl, detail.trimmed());
        // Bytes of the request went out: the server may have received it.
        long sent = 0;
        curl_easy_getinfo(curl, CURLINFO_REQUEST_SIZE, &sent);
        if (sent > 0)
            throw EHttpNoAnswer(message);
        throw EHttpError(message);
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    FStatus = static_cast<int>(status);
    const char* contentType = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
    FCharset.clear();
    if (contentType) {
        for (const QString& part : QString::fromLatin1(contentType).split(QLatin1Char(';'))) {
            const QString p = part.trimmed();
            if (p.startsWith(QLatin1String("charset="), Qt::CaseInsensitive)) {
                FCharset = p.mid(8).trimmed();
                FCharset.remove(QLatin1Char('"'));
            }
        }
    }
}

QString THttpRequest::GetResponseText() const
{
    if (FCharset.isEmpty() || FCharset.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0)
        return QString::fromUtf8(FBody);
    QStringDecoder decoder(FCharset.toLatin1().constData());
    if (!decoder.isValid())
        throw EHttpError(QStringLiteral("Unsupported character set: %1").arg(FCharset));
    QString text = decoder.decode(FBody);
    if (decoder.hasError())
        throw EHttpError(QStringLiteral("The response is not valid %1 text").arg(FCharset));
    return text;
}

} // namespace kv
