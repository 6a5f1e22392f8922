// An HTTP server on 127.0.0.1 (port chosen by the system) in a thread of the test program:
// it records every request and answers each with the next scripted reply.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

namespace kvtest {

struct THttpReply
{
    int Status = 200;
    QByteArray Body;
    QByteArray ContentType = "text/xml; charset=utf-8";
    int DelayMs = 0;   // wait before answering
    bool Drop = false; // close the connection without an answer
};

struct THttpRecord
{
    QByteArray Method;
    QByteArray Target; // path and query
    QByteArray Headers;
    QByteArray Body;
};

class TLoopbackServer
{
public:
    TLoopbackServer()
    {
        FListen = ::socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        ::setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(FListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(FListen, 16);
        socklen_t len = sizeof addr;
        ::getsockname(FListen, reinterpret_cast<sockaddr*>(&addr), &len);
        FPort = ntohs(addr.sin_port);
        FThread = std::thread([this] { Run(); });
    }
    ~TLoopbackServer()
    {
        FStop = true;
        FThread.join();
        ::close(FListen);
    }
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    int Port() const { return FPort; }
    // Replies are used in order; without one the server answers 404.
    void Reply(THttpReply reply)
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FReplies.push_back(std::move(reply));
    }
    void Reply(const QByteArray& body) { Reply(THttpReply{200, body}); }
    QList<THttpRecord> Requests() const
    {
        std::lock_guard<std::mutex> lock(FMutex);
        return FRequests;
    }
    THttpRecord Last() const
    {
        std::lock_guard<std::mutex> lock(FMutex);
        return FRequests.isEmpty() ? THttpRecord{} : FRequests.last();
    }
    int Count() const
    {
        std::lock_guard<std::mutex> lock(FMutex);
        return static_cast<int>(FRequests.size());
    }
    // The requests the server is done with: answered, dropped or left by the client.
    int Finished() const { return FFinished; }

    // A port on which nothing listens.
    static int ClosedPort()
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
        ::close(s);
        return ntohs(addr.sin_port);
    }

private:
    void Run()
    {
        while (!FStop) {
            pollfd p{FListen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int client = ::accept(FListen, nullptr, nullptr);
            if (client < 0)
                continue;
            Serve(client);
            ::close(client);
            FFinished = Count();
        }
    }

    bool ReadMore(int client, QByteArray& data)
    {
        char buffer[65536];
        while (!FStop) {
            pollfd p{client, POLLIN, 0};
            const int ready = ::poll(&p, 1, 50);
            if (ready < 0)
                return false;
            if (ready == 0)
                continue;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return false;
            data.append(buffer, n);
            return true;
        }
        return false;
    }

    void Serve(int client)
    {
        QByteArray data;
        qsizetype end = -1;
        while ((end = data.indexOf("\r\n\r\n")) < 0)
            if (!ReadMore(client, data))
                return;
        THttpRecord record;
        record.Headers = data.left(end);
        const QList<QByteArray> first = record.Headers.left(record.Headers.indexOf("\r\n")).split(' ');
        record.Method = first.value(0);
        record.Target = first.value(1);
        qsizetype length = 0;
        for (const QByteArray& line : record.Headers.split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        data.remove(0, end + 4);
        while (data.size() < length)
            if (!ReadMore(client, data))
                return;
        record.Body = data.left(length);
        THttpReply reply{404, "not found", "text/plain"};
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FRequests.append(record);
            if (!FReplies.empty()) {
                reply = std::move(FReplies.front());
                FReplies.pop_front();
            }
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.DelayMs);
        while (!FStop && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (reply.Drop)
            return;
        const QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.Status) +
                                (reply.Status == 200 ? " OK" : " Server Error") + "\r\nContent-Type: " +
                                reply.ContentType + "\r\nContent-Length: " + QByteArray::number(reply.Body.size()) +
                                "\r\nConnection: close\r\n\r\n";
        if (SendAll(client, head))
            SendAll(client, reply.Body);
    }

    static bool SendAll(int client, const QByteArray& data)
    {
        qsizetype sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::send(client, data.constData() + sent, static_cast<size_t>(data.size() - sent), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += n;
        }
        return true;
    }

    int FListen = -1;
    int FPort = 0;
    std::atomic<int> FFinished{0};
    std::atomic<bool> FStop{false};
    std::thread FThread;
    mutable std::mutex FMutex;
    std::deque<THttpReply> FReplies;
    QList<THttpRecord> FRequests;
};

} // namespace kvtest
