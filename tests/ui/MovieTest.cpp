// SPDX-License-Identifier: GPL-3.0-or-later
// The real movie, loaded offscreen into the player the main window uses: every control raises
// the right command with the right argument, and the movie follows every variable the host
// writes. Controls are pressed with real mouse and key events where the user would, so a
// disabled or hidden control really refuses.
#include "tests/support/WaitUntil.h"
#include "ui/CRunResultsModel.h"
#include "ui/CShockwaveFlash.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <QPointer>
#include <QQmlEngine>
#include <QQmlError>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <utility>

// Readable failures.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using Command = std::pair<QString, QString>;
using Commands = QList<Command>;

QStringList g_qmlWarnings;
QtMessageHandler g_previousHandler = nullptr;

// Qt's own chatter (runtime folders, fonts) is not the movie's fault; anything that names the
// movie or comes from the QML engine is.
void collectQmlWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const QByteArray category(context.category ? context.category : "");
    if (type != QtDebugMsg && type != QtInfoMsg
        && (text.contains(QLatin1String("main.qml")) || category.startsWith("qt.qml")
            || category == "qml" || category == "js"))
        g_qmlWarnings << text;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

QString movieFile()
{
    const QString dir = qEnvironmentVariable("MOVARIN_PROGRAM_DIR",
                                             QStringLiteral(MOVARIN_BUILT_PROGRAM_DIR));
    return dir + QStringLiteral("/main.qml");
}

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

class MovieTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_qmlWarnings.clear();
        g_previousHandler = qInstallMessageHandler(collectQmlWarnings);
        m_flash = std::make_unique<CShockwaveFlash>();
        QObject::connect(m_flash->engine(), &QQmlEngine::warnings, m_flash.get(),
                         [](const QList<QQmlError> &errors) {
                             for (const QQmlError &e : errors)
                                 g_qmlWarnings << e.toString();
                         });
        m_spy = std::make_unique<QSignalSpy>(m_flash.get(), &CShockwaveFlash::FSCommand);
        m_flash->resize(624, 579);
        m_flash->show();
    }

    void TearDown() override
    {
        m_spy.reset();
        m_flash.reset();
        qInstallMessageHandler(g_previousHandler);
        EXPECT_TRUE(g_qmlWarnings.isEmpty()) << g_qmlWarnings.join(QLatin1Char('\n')).toStdString();
    }

    // Loads the movie; returns false (after reporting) when it did not come up cleanly.
    bool load()
    {
        m_flash->SetMovie(movieFile());
        EXPECT_EQ(m_flash->status(), QQuickWidget::Ready) << movieFile().toStdString();
        for (const QQmlError &e : m_flash->errors())
            ADD_FAILURE() << e.toString().toStdString();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_flash.get()));
        return m_flash->status() == QQuickWidget::Ready && m_flash->rootObject();
    }

    // What the host start-up writes, with the shipped catalogue's first lists.
    void publishStartup()
    {
        write("_root.disableStop", "true");
        write("_root.path", "/home/ana/Converted Videos");
        write("_root.version", "6.0.0.1");
        list("convertTo", ".mp4|.mkv|.avi|.webm");
        list("container", "mp4");
        list("videoCodec", "h264|mp4v");
        list("audioCodec", "mp4a|mp3");
    }

    void write(const char *name, const char *value) { m_flash->SetVariable(s(name), s(value)); }
    void list(const char *which, const char *raw)
    {
        m_flash->SetVariable(QStringLiteral("_root.%1Str").arg(s(which)), s(raw));
        m_flash->SetVariable(QStringLiteral("_root.%1Flag").arg(s(which)), QStringLiteral("1"));
    }

    // The commands raised since the last call, in order.
    Commands commands()
    {
        QCoreApplication::processEvents();
        Commands out;
        for (const QList<QVariant> &args : std::as_const(*m_spy))
            out.append({args.at(0).toString(), args.at(1).toString()});
        m_spy->clear();
        return out;
    }
    static Commands one(const char *command, const char *argument = "")
    {
        return {{s(command), s(argument)}};
    }

    QObject *root() { return m_flash->rootObject(); }
    // The movie's side of the protocol: what it holds, its clock and its time texts.
    QObject *link()
    {
        auto *found = root()->findChild<QObject *>(s("hostLink"));
        EXPECT_NE(found, nullptr) << "hostLink";
        return found;
    }

    QQuickItem *item(const char *name)
    {
        auto *found = root()->findChild<QQuickItem *>(s(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QVariant prop(const char *name, const char *property)
    {
        QQuickItem *it = item(name);
        return it ? it->property(property) : QVariant();
    }

    QPoint centre(QQuickItem *it)
    {
        return it->mapToScene(QPointF(it->width() / 2, it->height() / 2)).toPoint();
    }
    void click(const char *name)
    {
        if (QQuickItem *it = item(name))
            QTest::mouseClick(m_flash.get(), Qt::LeftButton, {}, centre(it));
    }
    void key(int keyCode, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(m_flash.get(), Qt::Key(keyCode), mods);
    }
    void focus(const char *name)
    {
        if (QQuickItem *it = item(name)) {
            it->forceActiveFocus(Qt::TabFocusReason);
            EXPECT_TRUE(it->hasActiveFocus()) << name;
        }
    }
    void showPanel(const char *tab)
    {
        click(tab);
        commands();
    }
    // Picks an entry of a choice list the way the keyboard does: focus it and step with the
    // arrow keys from the current entry.
    void stepCombo(const char *name, int steps)
    {
        focus(name);
        for (int i = 0; i < std::abs(steps); ++i)
            key(steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
    // Replaces the text of an editable choice list and confirms it with Enter.
    void typeInto(const char *name, const char *text)
    {
        focus(name);
        key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(m_flash.get(), s(text));
        key(Qt::Key_Return);
    }
    QStringList model(const char *name) { return prop(name, "model").toStringList(); }
    QString linkText(const char *property) { return link()->property(property).toString(); }

    std::unique_ptr<CShockwaveFlash> m_flash;
    std::unique_ptr<QSignalSpy> m_spy;
};

// ---- loading ----------------------------------------------------------------------------------

TEST_F(MovieTest, LoadsCleanlyShowsTheListAndHoldsTheNamingChecks)
{
    ASSERT_TRUE(load());
    EXPECT_EQ(commands(), one("ID_FS_Slider"));
    EXPECT_EQ(m_flash->GetVariable(s("_root.audioCheck")), s("true"));
    EXPECT_EQ(m_flash->GetVariable(s("_root.videoCheck")), s("true"));
    // The frame the program's list lies in.
    QQuickItem *frame = item("listFrame");
    ASSERT_NE(frame, nullptr);
    const QRectF inner = frame->mapRectToScene(
        QRectF(1, 1, frame->width() - 2, frame->height() - 2));
    EXPECT_EQ(inner, QRectF(215, 185, 367, 112));
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(MovieTest, AMovieLoadedAfterTheHostWroteStartsFromTheWrittenValues)
{
    publishStartup();
    ASSERT_TRUE(load());
    EXPECT_EQ(model("targetCombo"), QStringList({s(".mp4"), s(".mkv"), s(".avi"), s(".webm")}));
    EXPECT_EQ(model("containerCombo"), QStringList({s("mp4")}));
    EXPECT_EQ(model("videoCodecCombo"), QStringList({s("h264"), s("mp4v")}));
    EXPECT_EQ(model("audioCodecCombo"), QStringList({s("mp4a"), s("mp3")}));
    EXPECT_EQ(prop("pathField", "text").toString(), s("/home/ana/Converted Videos"));
    EXPECT_EQ(prop("versionText", "text").toString(), s("Version 6.0.0.1"));
    EXPECT_EQ(linkText("summary"), s("to .mp4 · h264 1024 kbit/s · mp4a 128 kbit/s · 2 ch"));
}

// ---- commands ---------------------------------------------------------------------------------

TEST_F(MovieTest, WindowControlsRaiseTheirCommands)
{
    ASSERT_TRUE(load());
    commands();
    click("helpButton");
    EXPECT_EQ(commands(), one("IDC_FS_HELP"));
    click("minimizeButton");
    EXPECT_EQ(commands(), one("IDC_FS_MINI"));
    click("closeButton");
    EXPECT_EQ(commands(), one("IDC_FS_EXIT"));

    // The move starts on the press, while the button is still down.
    QQuickItem *drag = item("dragArea");
    ASSERT_NE(drag, nullptr);
    const QPoint onHeader = drag->mapToScene(QPointF(260, 20)).toPoint();
    QTest::mousePress(m_flash.get(), Qt::LeftButton, {}, onHeader);
    EXPECT_EQ(commands(), one("IDC_FS_drag"));
    QTest::mouseRelease(m_flash.get(), Qt::LeftButton, {}, onHeader);
    EXPECT_EQ(commands(), Commands());
}

TEST_F(MovieTest, FileToolsRaiseTheirCommands)
{
    ASSERT_TRUE(load());
    commands();
    click("addButton");
    click("removeButton");
    click("removeAllButton");
    click("upButton");
    click("downButton");
    EXPECT_EQ(commands(), Commands({{s("IDC_FS_ADD"), {}},
                                    {s("IDC_FS_REMOVE"), {}},
                                    {s("IDC_FS_REMOVEALL"), {}},
                                    {s("IDC_FS_UP"), {}},
                                    {s("IDC_FS_DOWN"), {}}}));
    // The keyboard presses them too.
    focus("addButton");
    key(Qt::Key_Return);
    key(Qt::Key_Space);
    EXPECT_EQ(commands(), Commands({{s("IDC_FS_ADD"), {}}, {s("IDC_FS_ADD"), {}}}));
}

TEST_F(MovieTest, SwitchingPanelsHidesTheListBeforeDrawingAndShowsItOnFiles)
{
    ASSERT_TRUE(load());
    commands();
    click("videoTab");
    EXPECT_EQ(commands(), one("IDC_FS_VIDEOSETTING"));
    EXPECT_FALSE(item("listFrame")->isVisible());
    EXPECT_TRUE(item("targetCombo")->isVisible());
    click("audioTab");
    EXPECT_EQ(commands(), one("IDC_FS_AUDIOSETTING"));
    click("outputTab");
    EXPECT_EQ(commands(), one("ID_FS_Slider2"));
    click("aboutTab");
    EXPECT_EQ(commands(), one("IDC_FS_ABOUT"));
    click("aboutTab");
    EXPECT_EQ(commands(), Commands()) << "the panel shown already";
    click("filesTab");
    EXPECT_EQ(commands(), one("ID_FS_Slider"));
    EXPECT_TRUE(item("listFrame")->isVisible());
    EXPECT_FALSE(item("targetCombo")->isVisible());
}

TEST_F(MovieTest, OnlyTheFilesPanelDrawsInsideTheListArea)
{
    ASSERT_TRUE(load());
    const QRectF listArea(215, 185, 367, 112);
    // Every control of the Files panel stays outside the list's rectangle.
    for (const char *name : {"addButton", "removeButton", "removeAllButton", "upButton",
                             "downButton", "summaryCard"}) {
        QQuickItem *it = item(name);
        ASSERT_NE(it, nullptr);
        EXPECT_FALSE(it->mapRectToScene(it->boundingRect()).intersects(listArea)) << name;
    }
}

TEST_F(MovieTest, TipsOfTheToolsBesideTheListStayOutOfIt)
{
    ASSERT_TRUE(load());
    const QRectF listArea(215, 185, 367, 112);
    for (const char *name :
         {"addButton", "removeButton", "removeAllButton", "upButton", "downButton"}) {
        QQuickItem *button = item(name);
        ASSERT_NE(button, nullptr);
        QObject *tip = nullptr;
        for (QObject *child : button->children())
            if (child->inherits("QQuickToolTip"))
                tip = child;
        ASSERT_NE(tip, nullptr) << name;
        EXPECT_FALSE(tip->property("text").toString().isEmpty()) << name;
        tip->setProperty("delay", 0);
        tip->setProperty("wanted", true);
        WAIT_UNTIL(tip->property("opened").toBool()) << name;
        const QPointF topLeft = button->mapToScene(
            QPointF(tip->property("x").toReal(), tip->property("y").toReal()));
        const QRectF shown(topLeft, QSizeF(tip->property("width").toReal(),
                                           tip->property("height").toReal()));
        EXPECT_FALSE(shown.intersects(listArea)) << name;
        EXPECT_GE(shown.left(), 0.0) << name;
        tip->setProperty("wanted", false);
        WAIT_UNTIL(!tip->property("visible").toBool()) << name;
    }
    // A tip never outlives its panel.
    QObject *tip = nullptr;
    for (QObject *child : item("upButton")->children())
        if (child->inherits("QQuickToolTip"))
            tip = child;
    ASSERT_NE(tip, nullptr);
    tip->setProperty("delay", 0);
    tip->setProperty("wanted", true);
    WAIT_UNTIL(tip->property("opened").toBool());
    commands();
    focus("videoTab");   // by keyboard: a click elsewhere would close any tip anyway
    key(Qt::Key_Space);
    EXPECT_EQ(commands(), one("IDC_FS_VIDEOSETTING"));
    EXPECT_FALSE(tip->property("visible").toBool());
}

TEST_F(MovieTest, ChoiceListsSendTheExactEntryText)
{
    ASSERT_TRUE(load());
    publishStartup();
    list("container", "avformat{mux=webm}|mp4 ");
    showPanel("videoTab");

    stepCombo("targetCombo", 1);
    EXPECT_EQ(commands(), one("ID-FS-convertTo", ".mkv"));
    stepCombo("containerCombo", 1);
    EXPECT_EQ(commands(), one("ID-FS-container", "mp4 ")) << "the text untrimmed";
    stepCombo("containerCombo", -1);
    EXPECT_EQ(commands(), one("ID-FS-container", "avformat{mux=webm}"));
    stepCombo("videoCodecCombo", 1);
    EXPECT_EQ(commands(), one("ID-FS-videoCodec", "mp4v"));

    showPanel("audioTab");
    stepCombo("audioCodecCombo", 1);
    EXPECT_EQ(commands(), one("ID-FS-audioCodec", "mp3"));
}

TEST_F(MovieTest, BitRatesScaleAndChannelsTakePresetsAndTypedValues)
{
    ASSERT_TRUE(load());
    publishStartup();
    showPanel("videoTab");

    stepCombo("videoBitrateCombo", 1);
    EXPECT_EQ(commands(), one("ID-FS-videoBitrate", "1536"));
    typeInto("videoBitrateCombo", "900");
    EXPECT_EQ(commands(), one("ID-FS-videoBitrate", "900"));
    typeInto("videoBitrateCombo", "fast");
    EXPECT_EQ(commands(), Commands()) << "letters are not a bit rate";
    EXPECT_EQ(linkText("videoBitrate"), s("900"));
    stepCombo("scaleCombo", -1);
    EXPECT_EQ(commands(), one("ID-FS-videoScale", "0.75"));
    typeInto("scaleCombo", "0.4");
    EXPECT_EQ(commands(), one("ID-FS-videoScale", "0.4"));

    showPanel("audioTab");
    typeInto("audioBitrateCombo", "112");
    EXPECT_EQ(commands(), one("ID-FS-audioBitrate", "112"));
    stepCombo("channelsCombo", -1);
    EXPECT_EQ(commands(), one("ID-FS-audioChannnel", "1"));

    // A typed value also counts when the user simply moves on.
    focus("audioBitrateCombo");
    key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(m_flash.get(), s("96"));
    focus("channelsCombo");
    EXPECT_EQ(commands(), one("ID-FS-audioBitrate", "96"));

    EXPECT_EQ(linkText("summary"), s("to .mp4 · h264 900 kbit/s · mp4a 96 kbit/s · 1 ch"));
}

TEST_F(MovieTest, OutputChoiceBrowseAndPathEditing)
{
    ASSERT_TRUE(load());
    publishStartup();
    showPanel("outputTab");
    EXPECT_FALSE(prop("pathField", "enabled").toBool()) << "beside the sources at start";
    EXPECT_FALSE(prop("browseButton", "enabled").toBool());

    click("otherFolderRadio");
    EXPECT_EQ(commands(), one("IDC_FS_OTHERDIRECTORY"));
    EXPECT_TRUE(prop("pathField", "enabled").toBool());
    click("browseButton");
    EXPECT_EQ(commands(), one("IDC_FS_BROWSE"));

    // The host reads "_root.path" back: it follows what the user types, even when emptied.
    focus("pathField");
    key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(m_flash.get(), s("/media/usb/out"));
    EXPECT_EQ(m_flash->GetVariable(s("_root.path")), s("/media/usb/out"));
    key(Qt::Key_Return);
    EXPECT_EQ(commands(), one("IDC_FS_OTHERDIRECTORY"));
    EXPECT_EQ(prop("destinationText", "text").toString(), s("/media/usb/out"));
    focus("pathField");
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_Backspace);
    EXPECT_EQ(m_flash->GetVariable(s("_root.path")), QString());
    click("sameFolderRadio");
    EXPECT_EQ(commands(),
              Commands({{s("IDC_FS_OTHERDIRECTORY"), {}}, {s("IDC_FS_SAMEDIRECTORY"), {}}}))
        << "leaving the field confirms the emptied folder first";
    EXPECT_EQ(prop("destinationText", "text").toString(), s("Beside each source file"));
}

TEST_F(MovieTest, ConvertStopSupportAndHelpRaiseTheirCommands)
{
    ASSERT_TRUE(load());
    publishStartup();
    commands();
    click("stopButton");
    EXPECT_EQ(commands(), Commands()) << "Stop is off until a run starts";
    click("convertButton");
    EXPECT_EQ(commands(), one("IDC_FS_CONVERT"));
    write("_root.enableStop", "true");
    click("stopButton");
    EXPECT_EQ(commands(), one("IDC_FS_CANCEL"));

    showPanel("aboutTab");
    click("supportButton");
    EXPECT_EQ(commands(), one("IDC_FS_support"));
    click("aboutHelpButton");
    EXPECT_EQ(commands(), one("IDC_FS_HELP"));
}

// ---- host writes ------------------------------------------------------------------------------

TEST_F(MovieTest, SwitchesActOnEveryWriteNotOnAChangeOfValue)
{
    ASSERT_TRUE(load());
    publishStartup();
    EXPECT_FALSE(prop("stopButton", "enabled").toBool());
    EXPECT_TRUE(prop("convertButton", "enabled").toBool());

    // The same text written again is a new signal: a movie watching values would miss it.
    write("_root.enableStop", "true");
    write("_root.disableStop", "true");
    write("_root.enableStop", "true");
    EXPECT_TRUE(prop("stopButton", "enabled").toBool());
    write("_root.disableConvert", "true");
    write("_root.enableConvert", "true");
    write("_root.disableConvert", "true");
    EXPECT_FALSE(prop("convertButton", "enabled").toBool());
    write("_root.enableConvert", "true");
    EXPECT_TRUE(prop("convertButton", "enabled").toBool());
}

TEST_F(MovieTest, DisablingAllButtonsLocksEveryControlButStopAndTheWindow)
{
    ASSERT_TRUE(load());
    publishStartup();
    showPanel("outputTab");
    click("otherFolderRadio");
    commands();
    const char *locked[] = {"addButton",      "removeButton",    "removeAllButton",
                            "upButton",       "downButton",      "targetCombo",
                            "containerCombo", "videoCodecCombo", "videoBitrateCombo",
                            "scaleCombo",     "audioCodecCombo", "audioBitrateCombo",
                            "channelsCombo",  "sameFolderRadio", "otherFolderRadio",
                            "pathField",      "browseButton",    "convertButton"};
    const char *free[] = {"stopButton", "closeButton", "minimizeButton", "helpButton",
                          "filesTab",   "videoTab",    "supportButton"};

    // As a run starts.
    write("_root.disableConvert", "true");
    write("_root.disablerAllBtns", "true");
    write("_root.enableStop", "true");
    for (const char *name : locked)
        EXPECT_FALSE(prop(name, "enabled").toBool()) << name;
    for (const char *name : free)
        EXPECT_TRUE(prop(name, "enabled").toBool()) << name;
    showPanel("filesTab");
    click("addButton");
    EXPECT_EQ(commands(), Commands());

    // As it is reset.
    write("_root.enableConvert", "true");
    write("_root.enablerAllBtns", "true");
    write("_root.disableStop", "true");
    for (const char *name : locked)
        EXPECT_TRUE(prop(name, "enabled").toBool()) << name;
    EXPECT_FALSE(prop("stopButton", "enabled").toBool());

    // "All buttons" wins over the Convert switch while it is down.
    write("_root.disablerAllBtns", "true");
    write("_root.enableConvert", "true");
    EXPECT_FALSE(prop("convertButton", "enabled").toBool());
}

TEST_F(MovieTest, ProgressStatusAndTimesFollowTheWrites)
{
    ASSERT_TRUE(load());
    publishStartup();
    EXPECT_FALSE(prop("progressPanel", "visible").toBool());

    write("_root.showProgress", "true");
    EXPECT_TRUE(prop("progressPanel", "visible").toBool());
    write("_root.progressValue", "42");
    EXPECT_DOUBLE_EQ(prop("progressBar", "value").toDouble(), 42.0);
    EXPECT_EQ(prop("percentText", "text").toString(), s("42 %"));
    write("_root.progressValue", "100");
    EXPECT_DOUBLE_EQ(prop("progressBar", "value").toDouble(), 100.0);

    const char *line = "Converting /v/a.avi.../v/a.mp4, Total Converted files:0";
    write("_root.convertOutput", line);
    EXPECT_EQ(prop("statusText", "text").toString(), s(line));
    EXPECT_TRUE(prop("statusText", "visible").toBool());
    write("_root.convertOutput", "Conversion Complete, Total Converted files:1");
    // The reset clears the line; the run's last word stays readable.
    write("_root.convertOutput", "");
    write("_root.hideProgress", "true");
    EXPECT_EQ(prop("statusText", "text").toString(), QString());
    EXPECT_FALSE(prop("statusText", "visible").toBool());
    EXPECT_EQ(prop("idleText", "text").toString(),
              s("Conversion Complete, Total Converted files:1"));
    EXPECT_FALSE(prop("progressPanel", "visible").toBool());
    write("_root.showProgress", "true");
    EXPECT_TRUE(prop("progressPanel", "visible").toBool()) << "shown again by the next write";
}

TEST_F(MovieTest, PerFileClockRestartsOnANewFileOrAFallingValue)
{
    ASSERT_TRUE(load());
    write("_root.showProgress", "true");
    link()->setProperty("fileClockStart", 1.0);
    write("_root.progressValue", "30");
    write("_root.progressValue", "30");
    write("_root.progressValue", "55");
    EXPECT_EQ(link()->property("fileClockStart").toDouble(), 1.0)
        << "a rising value is the same file";
    write("_root.progressValue", "3");
    EXPECT_GT(link()->property("fileClockStart").toDouble(), 1.0)
        << "a falling value starts a new file";
    link()->setProperty("fileClockStart", 1.0);
    write("_root.showProgress", "true");
    EXPECT_GT(link()->property("fileClockStart").toDouble(), 1.0) << "each file is announced";
}

TEST_F(MovieTest, TimeTextsAreReadable)
{
    ASSERT_TRUE(load());
    auto call = [this](const char *function, QVariant a, QVariant b = {}, QVariant c = {}) {
        QVariant result;
        const bool three = c.isValid();
        const bool ok = three ? QMetaObject::invokeMethod(link(), function,
                                                          Q_RETURN_ARG(QVariant, result),
                                                          Q_ARG(QVariant, a), Q_ARG(QVariant, b),
                                                          Q_ARG(QVariant, c))
                              : QMetaObject::invokeMethod(link(), function,
                                                          Q_RETURN_ARG(QVariant, result),
                                                          Q_ARG(QVariant, a));
        EXPECT_TRUE(ok) << function;
        return result.toString();
    };
    EXPECT_EQ(call("clockText", 0), s("0:00"));
    EXPECT_EQ(call("clockText", 65'000), s("1:05"));
    EXPECT_EQ(call("clockText", 3'723'000), s("1:02:03"));
    EXPECT_EQ(call("clockText", -500), s("0:00"));
    EXPECT_EQ(call("timeLeftText", 0, 10'000, 0), s("estimating time left…"));
    EXPECT_EQ(call("timeLeftText", 50, 10'000, 0), s("about 0:10 left"));
    EXPECT_EQ(call("timeLeftText", 25, 10'000, 4'000), s("about 0:26 left"));
    EXPECT_EQ(call("timeLeftText", 90, 9'000, 5'000), s("almost done")) << "never a negative time";
    EXPECT_EQ(call("timeLeftText", 100, 9'000, 0), s("finishing"));
}

TEST_F(MovieTest, PathAndVersionWritesAreShown)
{
    ASSERT_TRUE(load());
    write("_root.path", "/srv/media/out");
    EXPECT_EQ(prop("pathField", "text").toString(), s("/srv/media/out"));
    write("_root.version", "6.0.0.1");
    EXPECT_EQ(prop("versionText", "text").toString(), s("Version 6.0.0.1"));

    // A chosen folder (from Browse) shows as the destination once that mode is on.
    showPanel("outputTab");
    click("otherFolderRadio");
    write("_root.path", "/home/ana/Films");
    EXPECT_EQ(prop("destinationText", "text").toString(), s("/home/ana/Films"));
    EXPECT_EQ(prop("pathField", "text").toString(), s("/home/ana/Films"));
}

TEST_F(MovieTest, ChoiceListsFollowEachFlagAndShowTheHostsFirstEntry)
{
    ASSERT_TRUE(load());
    publishStartup();
    showPanel("videoTab");
    stepCombo("videoCodecCombo", 1);
    EXPECT_EQ(prop("videoCodecCombo", "displayText").toString(), s("mp4v"));
    commands();

    // The host's cascade resets its choice to the first entry on every write, even of an
    // unchanged list.
    list("videoCodec", "h264|mp4v");
    EXPECT_EQ(prop("videoCodecCombo", "displayText").toString(), s("h264"));
    EXPECT_EQ(prop("videoCodecCombo", "currentIndex").toInt(), 0);

    // A cascade to another target.
    list("container", "avformat|ffmpeg");
    list("videoCodec", "h264|h265|mp4v|theo");
    list("audioCodec", "mp4a|mp3|mpga|vorb");
    EXPECT_EQ(model("containerCombo"), QStringList({s("avformat"), s("ffmpeg")}));
    EXPECT_EQ(model("videoCodecCombo").size(), 4);
    EXPECT_EQ(prop("containerCombo", "displayText").toString(), s("avformat"));
    EXPECT_EQ(prop("audioCodecCombo", "displayText").toString(), s("mp4a"));

    // A trailing empty entry is no choice; the host's first entry still is.
    list("audioCodec", "vorb|opus|");
    EXPECT_EQ(model("audioCodecCombo"), QStringList({s("vorb"), s("opus")}));
    EXPECT_EQ(prop("audioCodecCombo", "displayText").toString(), s("vorb"));

    // An unknown target leaves nothing to choose, and says so.
    list("container", "");
    list("videoCodec", "");
    EXPECT_TRUE(model("containerCombo").isEmpty());
    EXPECT_EQ(prop("containerCombo", "currentIndex").toInt(), -1);
    EXPECT_EQ(prop("containerCombo", "displayText").toString(), s("none"));
    EXPECT_EQ(prop("videoCodecCombo", "displayText").toString(), s("none"));
    EXPECT_EQ(linkText("summary"), s("to .mp4 · none 1024 kbit/s · vorb 128 kbit/s · 2 ch"));
    EXPECT_EQ(commands(), Commands()) << "host writes raise no commands";
}

}   // namespace

// ---- the results of a run ---------------------------------------------------------------------

TEST_F(MovieTest, TheResultsPanelShowsEachFileOfTheRunAndOpensTheConvertedOnes)
{
    CRunResultsModel results;
    m_flash->host()->SetResults(&results);
    ASSERT_TRUE(load());
    commands();
    click("resultsTab");
    EXPECT_EQ(commands(), one("ID_FS_Slider2")) << "the list hidden before the panel is drawn";
    EXPECT_TRUE(item("resultsEmpty")->isVisible());

    results.Begin({s("/v/a.avi"), s("/v/b.avi"), s("/v/c.avi"), s("/v/d.avi")});
    CFileResult converted{0, s("/v/a.avi"), s("/out/a.mp4"), CFileResult::State::Converted, {}};
    results.Converting(0);
    results.Finished(converted);
    CFileResult failed{1, s("/v/b.avi"), s("/out/b.mp4"), CFileResult::State::Failed,
                       s("libVLC made no output of it")};
    results.Finished(failed);
    results.Converting(2);
    results.Progress(2, 42);
    EXPECT_FALSE(item("resultsEmpty")->isVisible());
    // The view's rows, as it shows them.
    const auto rowItem = [this](int row) {
        QQuickItem *shownRow = nullptr;
        if (QQuickItem *view = item("resultsList"))
            QMetaObject::invokeMethod(view, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, shownRow),
                                      Q_ARG(int, row));
        return shownRow;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowItem(3) != nullptr; }));
    const QStringList shown{s("Saved as a.mp4"), s("libVLC made no output of it"),
                            s("42 % converted"), s("Waiting for its turn")};
    for (int row = 0; row < shown.size(); ++row)
        EXPECT_EQ(rowItem(row)->property("detail").toString(), shown[row]) << row;
    EXPECT_EQ(prop("resultsSummary", "text").toString(), s("1 of 4 converted · 1 failed"));

    // Only a converted file can be played or shown in its folder.
    const auto button = [&rowItem](int row, const char *name) {
        QQuickItem *found = nullptr;
        for (QQuickItem *child : rowItem(row)->childItems())
            for (QQuickItem *inner : child->childItems())
                if (inner->objectName() == QLatin1String(name))
                    found = inner;
        return found;
    };
    ASSERT_NE(button(0, "playButton"), nullptr);
    EXPECT_TRUE(button(0, "playButton")->isVisible());
    EXPECT_FALSE(button(1, "playButton")->isVisible());
    QTest::mouseClick(m_flash.get(), Qt::LeftButton, {}, centre(button(0, "playButton")));
    QTest::mouseClick(m_flash.get(), Qt::LeftButton, {}, centre(button(0, "showFolderButton")));
    EXPECT_EQ(commands(), Commands({{s("IDC_FS_PLAY"), s("0")}, {s("IDC_FS_OPENFOLDER"), s("0")}}));
}
