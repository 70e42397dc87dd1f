// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <xcb/xcb.h>

#include <cstdlib>
#include <vector>

namespace {

// xcb replies are malloc'ed and must be freed with free().
template <typename T>
struct Reply
{
    explicit Reply(T *p)
        : ptr(p)
    {
    }
    ~Reply() { std::free(ptr); }
    Reply(const Reply &) = delete;
    Reply &operator=(const Reply &) = delete;
    T *operator->() const { return ptr; }
    explicit operator bool() const { return ptr != nullptr; }
    T *ptr;
};

class XConnection
{
public:
    XConnection()
        : m_conn(xcb_connect(nullptr, nullptr))
    {
    }
    ~XConnection() { xcb_disconnect(m_conn); }
    XConnection(const XConnection &) = delete;
    XConnection &operator=(const XConnection &) = delete;
    bool ok() const { return xcb_connection_has_error(m_conn) == 0; }
    xcb_connection_t *get() const { return m_conn; }

private:
    xcb_connection_t *m_conn;
};

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    const auto cookie = xcb_intern_atom(c, 1, static_cast<uint16_t>(qstrlen(name)), name);
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

struct Atoms
{
    xcb_atom_t netClientList = XCB_ATOM_NONE;
    xcb_atom_t netWmName = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
};

// Titles longer than this many bytes cannot equal any title we look for.
constexpr uint32_t MaxTitleWords = 1024;

std::vector<xcb_window_t> clientList(xcb_connection_t *c, xcb_window_t root, const Atoms &atoms,
                                     bool &present)
{
    present = false;
    std::vector<xcb_window_t> windows;
    if (atoms.netClientList == XCB_ATOM_NONE)
        return windows;
    const auto cookie = xcb_get_property(c, 0, root, atoms.netClientList, XCB_ATOM_WINDOW, 0,
                                         UINT32_MAX / 4);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32)
        return windows;
    present = true;
    const auto *ids = static_cast<const xcb_window_t *>(xcb_get_property_value(reply.ptr));
    const int count = xcb_get_property_value_length(reply.ptr) / 4;
    windows.assign(ids, ids + count);
    return windows;
}

std::vector<xcb_window_t> children(xcb_connection_t *c, xcb_window_t parent)
{
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr));
    if (!tree)
        return {};
    const xcb_window_t *ids = xcb_query_tree_children(tree.ptr);
    return {ids, ids + xcb_query_tree_children_length(tree.ptr)};
}

std::vector<xcb_window_t> mappedChildren(xcb_connection_t *c, xcb_window_t parent)
{
    const std::vector<xcb_window_t> all = children(c, parent);
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    cookies.reserve(all.size());
    for (xcb_window_t w : all)
        cookies.push_back(xcb_get_window_attributes(c, w));
    std::vector<xcb_window_t> mapped;
    for (size_t i = 0; i < all.size(); ++i) {
        Reply<xcb_get_window_attributes_reply_t> attrs(
            xcb_get_window_attributes_reply(c, cookies[i], nullptr));
        if (attrs && attrs->map_state != XCB_MAP_STATE_UNMAPPED)
            mapped.push_back(all[i]);
    }
    return mapped;
}

// Without _NET_CLIENT_LIST the root's children are either the clients themselves (no window
// manager) or the frames of an older reparenting manager, whose clients carry WM_STATE further
// down. Both are collected.
void collectClients(xcb_connection_t *c, xcb_window_t window, const Atoms &atoms, int depth,
                    std::vector<xcb_window_t> &out)
{
    if (depth > 2 || atoms.wmState == XCB_ATOM_NONE)
        return;
    for (xcb_window_t child : children(c, window)) {
        const auto cookie = xcb_get_property(c, 0, child, atoms.wmState, XCB_ATOM_ANY, 0, 0);
        Reply<xcb_get_property_reply_t> state(xcb_get_property_reply(c, cookie, nullptr));
        if (state && state->type != XCB_ATOM_NONE)
            out.push_back(child);
        else
            collectClients(c, child, atoms, depth + 1, out);
    }
}

std::vector<xcb_window_t> topLevelWindows(xcb_connection_t *c, xcb_window_t root,
                                          const Atoms &atoms)
{
    bool managed = false;
    std::vector<xcb_window_t> windows = clientList(c, root, atoms, managed);
    if (managed)
        return windows;
    const std::vector<xcb_window_t> mapped = mappedChildren(c, root);
    windows = mapped;
    for (xcb_window_t frame : mapped)
        collectClients(c, frame, atoms, 0, windows);
    return windows;
}

bool titleEquals(const xcb_get_property_reply_t *reply, xcb_atom_t utf8String, const QString &title)
{
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8 || reply->bytes_after != 0)
        return false;
    const auto *data = static_cast<const char *>(xcb_get_property_value(reply));
    const int length = xcb_get_property_value_length(reply);
    // WM_NAME is Latin-1 (STRING) or, from many toolkits, UTF8_STRING; COMPOUND_TEXT agrees
    // with Latin-1 for plain titles.
    const QString name = reply->type == utf8String ? QString::fromUtf8(data, length)
                                                   : QString::fromLatin1(data, length);
    return name == title;
}

bool anyWindowTitled(xcb_connection_t *c, const std::vector<xcb_window_t> &windows,
                     const Atoms &atoms, const QString &title)
{
    // Ask for all names at once; one round trip instead of one per window.
    std::vector<xcb_get_property_cookie_t> netNames;
    std::vector<xcb_get_property_cookie_t> wmNames;
    netNames.reserve(windows.size());
    wmNames.reserve(windows.size());
    for (xcb_window_t w : windows) {
        netNames.push_back(
            xcb_get_property(c, 0, w, atoms.netWmName, atoms.utf8String, 0, MaxTitleWords));
        wmNames.push_back(
            xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, MaxTitleWords));
    }
    bool found = false;
    for (size_t i = 0; i < windows.size(); ++i) {
        Reply<xcb_get_property_reply_t> netName(xcb_get_property_reply(c, netNames[i], nullptr));
        Reply<xcb_get_property_reply_t> wmName(xcb_get_property_reply(c, wmNames[i], nullptr));
        if (found)
            continue;   // still collect the replies, so none is left behind
        if (netName && netName->type == atoms.utf8String && atoms.utf8String != XCB_ATOM_NONE)
            found = titleEquals(netName.ptr, atoms.utf8String, title);
        else
            found = titleEquals(wmName.ptr, atoms.utf8String, title);
    }
    return found;
}

QString lockFilePath(const QString &title)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // One copy per display, as the window rule has it: a login session may own several X
    // displays. A Wayland session's own display covers its X11 clients too.
    QByteArray desktop;
    for (const char *name : {"WAYLAND_DISPLAY", "DISPLAY", "XDG_SESSION_ID"}) {
        desktop = qgetenv(name);
        if (!desktop.isEmpty())
            break;
    }
    // Percent-encoding keeps distinct titles and desktops distinct and leaves no '/' behind.
    const QByteArray name = QUrl::toPercentEncoding(title) + '-' + QUrl::toPercentEncoding(desktop)
                            + ".lock";
    return QDir(folder).filePath(QString::fromLatin1(name));
}

// Beside the lock, in the user's own runtime folder.
QString socketPath(const QString &title)
{
    QString path = lockFilePath(title);
    path.chop(int(sizeof(".lock")) - 1);
    return path + QStringLiteral(".socket");
}

constexpr char Received = 'Y';

}   // namespace

CSingleInstance::CSingleInstance(const QString &title)
    : m_title(title)
{
}

CSingleInstance::~CSingleInstance()
{
    delete m_server;
}

bool CSingleInstance::listenForFiles(FilesHandler onFiles)
{
    if (!m_lock || m_server)
        return m_server != nullptr;
    m_server = new QLocalServer;
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = socketPath(m_title);
    // We hold the desktop's lock: a socket left there belongs to a copy that is gone.
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    QObject::connect(m_server, &QLocalServer::newConnection, m_server, [this, onFiles] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, onFiles] {
                QDataStream in(socket);
                in.startTransaction();
                QStringList paths;
                QStringList skipped;
                in >> paths >> skipped;
                if (!in.commitTransaction())
                    return;   // more to come
                socket->write(&Received, 1);
                socket->disconnectFromServer();
                QTimer::singleShot(0, [onFiles, paths, skipped] { onFiles(paths, skipped); });
            });
        }
    });
    return true;
}

bool CSingleInstance::handOverFiles(const QStringList &paths, const QStringList &skipped,
                                    int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(m_title));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QDataStream out(&socket);
    out << paths << skipped;
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    char answer = 0;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.read(&answer, 1) == 1 && answer == Received;
}

std::optional<bool> CSingleInstance::x11WindowTitled(const QString &title)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return std::nullopt;
    XConnection conn;
    if (!conn.ok())
        return std::nullopt;
    xcb_connection_t *c = conn.get();

    Atoms atoms;
    atoms.netClientList = internAtom(c, "_NET_CLIENT_LIST");
    atoms.netWmName = internAtom(c, "_NET_WM_NAME");
    atoms.utf8String = internAtom(c, "UTF8_STRING");
    atoms.wmState = internAtom(c, "WM_STATE");

    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it)) {
        const std::vector<xcb_window_t> windows = topLevelWindows(c, it.data->root, atoms);
        if (anyWindowTitled(c, windows, atoms, title))
            return true;
    }
    if (xcb_connection_has_error(c))
        return std::nullopt;
    return false;
}

bool CSingleInstance::anotherInstanceRunning()
{
    if (x11WindowTitled(m_title).value_or(false))
        return true;

    // The lock is taken on X11 too: it covers a copy still starting up (no window yet) and one
    // running natively on Wayland, whose windows the X server cannot see.
    if (m_lock)
        return false;
    auto lock = std::make_unique<QLockFile>(lockFilePath(m_title));
    // Held for the program's whole life; a crashed holder is recognised by its process id.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return false;
    }
    // A lock folder we cannot use must not keep the user from working.
    return lock->error() == QLockFile::LockFailedError;
}
