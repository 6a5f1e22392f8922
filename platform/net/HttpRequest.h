// A synchronous HTTP request: set the time-outs, open with a method and url (and optional
// credentials), send a body, then read the status and the response.
#pragma once

#include "platform/rtl/SysUtils.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QPair>
#include <QtCore/QString>
#include <utility>

namespace kv {

// A transport failure (refused, dropped, timed out) or a response that cannot be read.
KV_DECLARE_EXCEPTION(EHttpError, Exception)
// The request went out but no complete answer came back (timed out, dropped): the server may
// have acted on it.
KV_DECLARE_EXCEPTION(EHttpNoAnswer, EHttpError)

class THttpRequest
{
public:
    THttpRequest();
    ~THttpRequest();
    THttpRequest(const THttpRequest&) = delete;
    THttpRequest& operator=(const THttpRequest&) = delete;

    // Milliseconds; 0 waits without limit. Resolving and connecting share one limit; the
    // receive limit bounds how long the transfer may stand still (checked about every second).
    void SetTimeouts(int resolve, int connect, int send, int receive);
    // Only synchronous requests (Async false) are supported. Credentials are sent when the
    // user name is not empty.
    void Open(const QString& method, const QString& url, bool async = false, const QString& user = QString(),
              const QString& password = QString());
    void SetRequestHeader(const QString& name, const QString& value);
    // Blocks until the whole response is in; EHttpError on transport failures, EHttpNoAnswer
    // when the request was sent and the answer did not come.
    void Send(const QByteArray& body);

    int GetStatus() const { return FStatus; }
    const QString& GetStatusText() const { return FStatusText; }
    // The character set named by the response's Content-Type; empty when none.
    const QString& GetResponseCharset() const { return FCharset; }
    const QByteArray& GetResponseBody() const { return FBody; }
    // Hands the body over (it is empty afterwards).
    QByteArray TakeResponseBody() { return std::exchange(FBody, QByteArray()); }
    // The body decoded by its character set (UTF-8 when none is named); EHttpError for an
    // unknown character set.
    QString GetResponseText() const;

private:
    int FResolveTimeout = 0;
    int FConnectTimeout = 0;
    int FSendTimeout = 0;
    int FReceiveTimeout = 0;
    QString FMethod;
    QString FUrl;
    QString FUser;
    QString FPassword;
    QList<QPair<QByteArray, QByteArray>> FHeaders;
    bool FOpened = false;
    int FStatus = 0;
    QString FStatusText;
    QString FCharset;
    QByteArray FBody;
};

} // namespace kv
