// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalPeer.h"

#include <QLocalSocket>

#include <algorithm>
#include <memory>
#include <vector>

#include <windows.h>

#include <sddl.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
struct HandleCloser {
    void operator()(HANDLE handle) const
    {
        ::CloseHandle(handle);
    }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

/// The user a process runs as, as the bytes of its SID; empty when the system does not say.
QByteArray userOf(HANDLE process)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    const Handle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return {};
    const PSID sid = reinterpret_cast<const TOKEN_USER *>(buffer.data())->User.Sid;
    return QByteArray(static_cast<const char *>(sid), int(::GetLengthSid(sid)));
}

QByteArray userOfProcess(ULONG processId)
{
    const Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return process ? userOf(process.get()) : QByteArray();
}

QByteArray thisUser()
{
    static const QByteArray user = userOf(::GetCurrentProcess());
    return user;
}

QString thisUserText()
{
    QByteArray sid = thisUser();
    wchar_t *text = nullptr;
    if (sid.isEmpty() || !::ConvertSidToStringSidW(sid.data(), &text))
        return qEnvironmentVariable("USERNAME");
    const QString result = QString::fromWCharArray(text);
    ::LocalFree(text);
    return result;
}
} // namespace

// Pipe names are one namespace for the whole machine: the user's SID keeps two users' windows apart, the session
// keeps one user's sign-ins apart (a Remote Desktop session beside the console one has windows of its own), and
// QLocalServer::UserAccessOption keeps other users from connecting to this one's.
QString CLocalPeer::serverName(const QString &runtimeDir)
{
    Q_UNUSED(runtimeDir)
    DWORD session = 0;
    if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session))
        session = 0;
    return u"plindor-"_s + thisUserText() + u"-session"_s + QString::number(session);
}

CLocalPeer::Sent CLocalPeer::send(const QString &name, const QByteArray &message, QDeadlineTimer deadline)
{
    const auto remaining = [&deadline] { return static_cast<int>(std::max<qint64>(1, deadline.remainingTime())); };
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(remaining()))
        return Sent::NotListening;
    if (!isThisUser(socket.socketDescriptor())) {
        socket.abort();
        return Sent::ForeignServer;
    }
    socket.write(message);
    // Written out before the close: a pipe closed with bytes still queued waits for the window to close its end
    // first, which it does only once this end is closed.
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(remaining())) { }
    socket.disconnectFromServer();
    const bool closed = socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(remaining());
    return closed ? Sent::Delivered : Sent::NoAnswer;
}

// Another user could have made a pipe of that name first; the system's word on both ends' processes is the proof.
bool CLocalPeer::isThisUser(qintptr handle)
{
    const auto pipe = reinterpret_cast<HANDLE>(handle);
    ULONG client = 0;
    ULONG server = 0;
    if (!::GetNamedPipeClientProcessId(pipe, &client) || !::GetNamedPipeServerProcessId(pipe, &server))
        return false;
    const QByteArray user = thisUser();
    return !user.isEmpty() && userOfProcess(client) == user && userOfProcess(server) == user;
}
