// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialogs' filters: the user reads each description as written, and the patterns find
// files whatever the letter case of their extension.
#include "platform/QtDialogs.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// What Qt's file dialog takes from a filter: the text before the last group, and its patterns.
std::pair<QString, QStringList> parse(const QString &filter)
{
    static const QRegularExpression re(QStringLiteral("^(.*)\\(([^()]*)\\)$"));
    const QRegularExpressionMatch m = re.match(filter);
    EXPECT_TRUE(m.hasMatch()) << filter.toStdString();
    return {m.captured(1).trimmed(), m.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts)};
}

}   // namespace

TEST(QtDialogsFilters, DescriptionsStayAsWrittenAndPatternsIgnoreCase)
{
    const QList<IDialogs::FileType> types{
        {QStringLiteral("Video Files (*.avi;*.wmv)"), QStringLiteral("*.avi;*.wmv ")},
        {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")},
    };
    const QStringList filters = CQtDialogs::nameFilters(types);
    ASSERT_EQ(filters.size(), 2);

    const auto [description, patterns] = parse(filters[0]);
    EXPECT_EQ(description, QStringLiteral("Video Files (*.avi;*.wmv)"));

    TempDir dir;
    for (const char *name : {"a.avi", "B.AVI", "c.WmV", "d.txt", "e.avi.txt"})
        dir.write(QLatin1String(name), "x");
    QStringList found = QDir(dir.path()).entryList(patterns, QDir::Files, QDir::Name);
    EXPECT_EQ(found, QStringList({"B.AVI", "a.avi", "c.WmV"}));

    const auto [allDescription, everything] = parse(filters[1]);
    EXPECT_EQ(allDescription, QStringLiteral("All Files (*.*)"));
    EXPECT_EQ(QDir(dir.path()).entryList(everything, QDir::Files).size(), 5);
}

TEST(QtDialogsFilters, OnlyLettersBecomeCaseClasses)
{
    EXPECT_EQ(CQtDialogs::caseInsensitivePattern(QStringLiteral("*.3gp")),
              QStringLiteral("*.3[gG][pP]"));
    EXPECT_EQ(CQtDialogs::caseInsensitivePattern(QStringLiteral("*.m1v")),
              QStringLiteral("*.[mM]1[vV]"));
}
