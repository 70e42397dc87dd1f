// SPDX-License-Identifier: GPL-3.0-or-later
// The help page handed to the desktop's xdg-open, which answers whether anything could show it.
#include "platform/QtShell.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/XvfbFixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

TEST(QtShell, ADocumentNothingCanShowIsReportedAndOneShownIsNot)
{
    TempDir bin;
    const QString xdgOpen = bin.write(QStringLiteral("xdg-open"),
                                      "#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/asked\"\n"
                                      "exit \"$(cat \"$(dirname \"$0\")/answer\")\"\n");
    ASSERT_TRUE(QFile::setPermissions(xdgOpen, QFile::ReadOwner | QFile::ExeOwner));
    EnvVar path("PATH", bin.path().toUtf8() + ":/usr/bin:/bin");
    const QUrl help = QUrl::fromLocalFile(QStringLiteral("/opt/movarin/help.html"));

    CQtShell shell;
    QStringList failures;
    const auto open = [&](const QByteArray &answer) {
        bin.write(QStringLiteral("answer"), answer);
        shell.openDocument(help, [&](const QString &why) { failures << why; });
    };
    open("3");   // xdg-open's "a required tool could not be found"
    WAIT_UNTIL_FOR(failures.size() == 1, 10000);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("code 3"))) << failures[0].toStdString();
    open("0");
    WAIT_UNTIL_FOR(bin.read(QStringLiteral("asked")).count('\n') == 2, 10000);
    QTest::qWait(1000);   // time for its answer to arrive
    EXPECT_EQ(failures.size(), 1);
    EXPECT_EQ(bin.read(QStringLiteral("asked")),
              "/opt/movarin/help.html\n/opt/movarin/help.html\n");
}
