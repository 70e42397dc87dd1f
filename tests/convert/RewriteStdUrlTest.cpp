// SPDX-License-Identifier: GPL-3.0-or-later
// The url key of the standard stream output is renamed to dst, found the way libVLC scans a
// chain, so that nothing a file name holds can be taken for that key.
#include "convert/TranscodeOption.h"
#include "tests/support/Mp4Settings.h"

#include <gtest/gtest.h>

namespace {

QString rewrite(const QString &option)
{
    return TranscodeOption::RewriteStdUrlToDst(option);
}

// The option for a path, and what it must become: the same text with the std part's key
// spelled dst. The key is the last ",url=\"" of the option since the path's own quotes are
// escaped.
std::pair<QString, QString> optionAndExpected(const QString &path)
{
    const QString option = TranscodeOption::Build(Mp4Settings(), path);
    const QString prefix = QStringLiteral(":sout=#transcode{vcodec=h264,vb=1024,scale=1,"
                                          "acodec=mp4a,ab=128,channels=2,deinterlace}:"
                                          "std{access=file,mux=mp4,url=");
    EXPECT_TRUE(option.startsWith(prefix));
    QString expected = option;
    expected.replace(prefix.size() - 4, 3, QStringLiteral("dst"));
    return {option, expected};
}

}   // namespace

TEST(RewriteStdUrlToDst, PlainOption)
{
    const auto [option, expected] = optionAndExpected(QStringLiteral("/out/clip.mp4"));
    EXPECT_EQ(rewrite(option),
              QStringLiteral(":sout=#transcode{vcodec=h264,vb=1024,scale=1,acodec=mp4a,ab=128,"
                             "channels=2,deinterlace}:std{access=file,mux=mp4,"
                             "dst=\"/out/clip.mp4\"}"));
    EXPECT_EQ(rewrite(option), expected);
}

TEST(RewriteStdUrlToDst, PathsThatLookLikeChainSyntaxStayUntouched)
{
    const QStringList paths = {
        QStringLiteral("/out/url=x.mp4"),
        QStringLiteral("/out/a,url=\"b\".mp4"),
        QStringLiteral("/out/\",url=\"/tmp/evil.mp4"),
        QStringLiteral("/out/{url=x},}{.mp4"),
        QStringLiteral("/out/back\\slash\\\".mp4"),
        QStringLiteral("/out/it's 'quoted'.mp4"),
        QStringLiteral("/out/std{url=x}:std{url=y}.mp4"),
        QStringLiteral("/out/100% ünï.mp4"),
    };
    for (const QString &path : paths) {
        const auto [option, expected] = optionAndExpected(path);
        EXPECT_EQ(rewrite(option), expected) << path.toStdString();
        EXPECT_EQ(rewrite(option).count(QStringLiteral("dst=")), 1 + path.count(u"dst="))
            << path.toStdString();
    }
}

TEST(RewriteStdUrlToDst, OnlyTheStandardModulesKeyIsRenamed)
{
    // url-like text in the transcode part, in a nested module and in quoted values stays.
    EXPECT_EQ(rewrite(QStringLiteral(
                  ":sout=#transcode{vcodec=h264,url=x,sfilter=marq{marquee=\"url=y\",url=z}}"
                  ":std{access=file,mux=avformat{mux=webm,url=w},url=\"/o.webm\"}")),
              QStringLiteral(
                  ":sout=#transcode{vcodec=h264,url=x,sfilter=marq{marquee=\"url=y\",url=z}}"
                  ":std{access=file,mux=avformat{mux=webm,url=w},dst=\"/o.webm\"}"));
    // Other modules with a url key keep it.
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#rtp{url=x}:display")),
              QStringLiteral(":sout=#rtp{url=x}:display"));
    // Only the exact key name; names are case-sensitive in libVLC.
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#std{urls=a,myurl=b,URL=c,url}")),
              QStringLiteral(":sout=#std{urls=a,myurl=b,URL=c,dst}"));
}

TEST(RewriteStdUrlToDst, SpellingsOfTheStandardModule)
{
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#standard{access=file,url=/o.ts}")),
              QStringLiteral(":sout=#standard{access=file,dst=/o.ts}"));
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#STD{url='/o,1.ts'}")),
              QStringLiteral(":sout=#STD{dst='/o,1.ts'}"));
    EXPECT_EQ(rewrite(QStringLiteral(":sout=# std { url = \"/o.ts\" , mux=ts }")),
              QStringLiteral(":sout=# std { dst = \"/o.ts\" , mux=ts }"));
    EXPECT_EQ(rewrite(QStringLiteral("sout=#std{url=/o.ts}")),
              QStringLiteral("sout=#std{dst=/o.ts}"));
    // A destination already named dst is left as it is.
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#std{dst=\"/o.ts\"}")),
              QStringLiteral(":sout=#std{dst=\"/o.ts\"}"));
}

TEST(RewriteStdUrlToDst, OtherOptionsAndBrokenChainsPassUnharmed)
{
    for (const QString &option :
         {QStringLiteral(":no-audio"), QStringLiteral(":sout-keep"), QString(),
          QStringLiteral(":sout=file/ts:/o/url=x.ts"), QStringLiteral(":soutx=#std{url=a}"),
          QStringLiteral("#std{url=a}")})
        EXPECT_EQ(rewrite(option), option) << option.toStdString();

    // Unterminated parts end the scan without reading past the text.
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#std{url=\"/o/a")),
              QStringLiteral(":sout=#std{dst=\"/o/a"));
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#std{mux=x{url=1")),
              QStringLiteral(":sout=#std{mux=x{url=1"));
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#std{url=\"a\\")),
              QStringLiteral(":sout=#std{dst=\"a\\"));
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#std{")), QStringLiteral(":sout=#std{"));
    EXPECT_EQ(rewrite(QStringLiteral(":sout=#")), QStringLiteral(":sout=#"));
}
