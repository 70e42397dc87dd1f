// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private X server for the tests that need one, and "another program" on it.

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>
#include <vector>

// Sets or unsets an environment variable for one scope.
class EnvVar
{
public:
    EnvVar(const char *name, const std::optional<QByteArray> &value)
        : m_name(name)
        , m_saved(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        set(value);
    }
    ~EnvVar() { set(m_saved); }
    EnvVar(const EnvVar &) = delete;
    EnvVar &operator=(const EnvVar &) = delete;

private:
    void set(const std::optional<QByteArray> &value)
    {
        if (value)
            qputenv(m_name, *value);
        else
            qunsetenv(m_name);
    }
    const char *m_name;
    std::optional<QByteArray> m_saved;
};

// Another program on the X server: its own connection and its own top-level windows.
class XClient
{
public:
    XClient()
        : m_conn(xcb_connect(nullptr, nullptr))
    {
        EXPECT_EQ(xcb_connection_has_error(m_conn), 0);
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
    }
    ~XClient()
    {
        for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it)
            xcb_destroy_window(m_conn, *it);
        xcb_delete_property(m_conn, m_root, atom("_NET_CLIENT_LIST"));
        sync();
        xcb_disconnect(m_conn);
    }
    XClient(const XClient &) = delete;
    XClient &operator=(const XClient &) = delete;

    xcb_window_t root() const { return m_root; }

    xcb_window_t window(bool mapped, xcb_window_t parent = XCB_NONE)
    {
        const xcb_window_t w = xcb_generate_id(m_conn);
        xcb_create_window(m_conn, XCB_COPY_FROM_PARENT, w, parent ? parent : m_root, 10, 10, 100,
                          80, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        if (mapped)
            xcb_map_window(m_conn, w);
        m_windows.push_back(w);
        sync();
        return w;
    }
    void setWmName(xcb_window_t w, const QByteArray &latin1)
    {
        setProperty(w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, latin1.size(), latin1.constData());
    }
    void setNetWmName(xcb_window_t w, const QString &title)
    {
        const QByteArray utf8 = title.toUtf8();
        setProperty(w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, utf8.size(), utf8.constData());
    }
    void setWmState(xcb_window_t w)
    {
        const uint32_t normal[2] = {1, XCB_NONE};
        setProperty(w, atom("WM_STATE"), atom("WM_STATE"), 32, 2, normal);
    }
    void setClientList(const std::vector<xcb_window_t> &windows)
    {
        setProperty(m_root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 32,
                    static_cast<qsizetype>(windows.size()), windows.data());
    }

private:
    xcb_atom_t atom(const char *name)
    {
        const auto cookie = xcb_intern_atom(m_conn, 0, static_cast<uint16_t>(qstrlen(name)), name);
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(m_conn, cookie, nullptr);
        const xcb_atom_t a = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }
    void setProperty(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, uint8_t format,
                     qsizetype count, const void *data)
    {
        xcb_change_property(m_conn, XCB_PROP_MODE_REPLACE, w, property, type, format,
                            static_cast<uint32_t>(count), data);
        sync();
    }
    // After a round trip the server has done everything this client asked, so another
    // connection sees it.
    void sync()
    {
        std::free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
    }

    xcb_connection_t *m_conn;
    xcb_window_t m_root = XCB_NONE;
    std::vector<xcb_window_t> m_windows;
};

// Starts one Xvfb for the test suite (it picks a free display) and points DISPLAY at it.
class XvfbTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            return;
        s_xvfb = new QProcess;
        s_xvfb->setProcessChannelMode(QProcess::SeparateChannels);
        s_xvfb->setStandardErrorFile(QProcess::nullDevice());
        // -displayfd lets the server pick a free display and tell us once it accepts clients.
        // -noreset: the server must not reset (and refuse connections) whenever its last client
        // leaves, which every test here does many times.
        s_xvfb->start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"),
                       QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                       QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                       QStringLiteral("320x240x24")});
        QByteArray number;
        while (!number.contains('\n') && s_xvfb->waitForReadyRead(20000))
            number += s_xvfb->readAllStandardOutput();
        if (number.contains('\n'))
            s_display = ':' + number.trimmed();
    }
    static void TearDownTestSuite()
    {
        if (!s_xvfb)
            return;
        s_xvfb->terminate();
        if (!s_xvfb->waitForFinished(10000)) {
            s_xvfb->kill();
            s_xvfb->waitForFinished(10000);
        }
        delete s_xvfb;
        s_xvfb = nullptr;
        s_display.clear();
    }
    void SetUp() override
    {
        if (!s_xvfb)
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_FALSE(s_display.isEmpty()) << "Xvfb did not start";
        m_display.emplace("DISPLAY", s_display);
    }

    static inline QProcess *s_xvfb = nullptr;
    static inline QByteArray s_display;
    std::optional<EnvVar> m_display;
};
