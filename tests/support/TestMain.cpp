// SPDX-License-Identifier: GPL-3.0-or-later
// GoogleTest inside a QApplication, headless unless told otherwise.
#include <QApplication>
#include <QQuickWindow>
#include <gtest/gtest.h>

#include <utility>

int main(int argc, char **argv)
{
    const std::pair<const char *, const char *> defaults[] = {
        {"QT_QPA_PLATFORM", "offscreen"},
        {"QT_QUICK_BACKEND", "software"},
        {"MOVARIN_SOURCE_DIR", MOVARIN_DEFAULT_SOURCE_DIR},
        {"MOVARIN_PROGRAM_DIR", MOVARIN_DEFAULT_PROGRAM_DIR},
    };
    for (const auto &[name, value] : defaults) {
        if (qEnvironmentVariableIsEmpty(name))
            qputenv(name, value);
    }
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
