// The auto-log writer on its own: which file each text lands in as an injected clock steps
// through days and weeks, and what happens when a folder cannot be used.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

#include <memory>
#include <vector>

#include "common/TestServices.h"
#include "log/AutoLogDlg.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

namespace {

const std::string kHost = "mud.example.org";

// The names of the files in folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const QString& name : QDir(QString::fromStdString(folder)).entryList(QDir::Files))
        names.push_back(name.toStdString());
    return names;
}

class AutoLog : public ::testing::Test, public CTestServices {
protected:
    void SetUp() override
    {
        logs = dir.Path() + "/logs";
        ASSERT_TRUE(QDir().mkpath(Q(logs)));
    }

    static QString Q(const std::string& s) { return QString::fromStdString(s); }

    // A session's auto-log for the host, logging by method into folder, on the test clock.
    std::unique_ptr<CAutoLogDlg> Session(int method, const std::string& folder)
    {
        settings.WriteInt(kHost, "AutoLog", 1);
        settings.WriteInt(kHost, "AutoLogMethod", method);
        settings.WriteString(kHost, "AutoLogDir", folder);
        auto log = std::make_unique<CAutoLogDlg>(services, kHost);
        log->SetClock([this] { return now; });
        return log;
    }
    void At(const char* isoTime)
    {
        now = QDateTime::fromString(QString::fromLatin1(isoTime), Qt::ISODate);
    }
    std::string Log(const std::string& name) const { return FileBytes(logs + "/" + name); }

    std::string logs;
    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(12, 0));
};

TEST_F(AutoLog, FilesAreNamedByTheDayTheWeeksSundayOrTheConnection)
{
    struct Case {
        int method;
        const char* time;
        const char* file;
    } cases[] = {
        {CAutoLogDlg::kPerDay, "2026-12-09T10:00:00", "20261209.txt"},
        {CAutoLogDlg::kPerWeek, "2026-12-09T10:00:00", "20261206.txt"}, // a Wednesday
        {CAutoLogDlg::kPerWeek, "2026-12-06T00:00:00", "20261206.txt"}, // a Sunday
        {CAutoLogDlg::kPerWeek, "2026-12-12T23:59:00", "20261206.txt"}, // its Saturday
        {CAutoLogDlg::kPerWeek, "2026-12-02T10:00:00", "20261129.txt"}, // back a month
        {CAutoLogDlg::kPerConnection, "2026-12-09T10:00:00", "20261209-1.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        QDir(Q(logs)).removeRecursively();
        QDir().mkpath(Q(logs));
        auto log = Session(c.method, logs + "/"); // a final slash is not doubled
        At(c.time);
        log->WriteAutoLog("\x1b[1mhello\x1b[0m\r\n");
        EXPECT_EQ(FilesIn(logs), std::vector<std::string>{c.file});
        EXPECT_EQ(Log(c.file), "\x1b[1mhello\x1b[0m\r\n");
    }
}

TEST_F(AutoLog, PerDayRollsOverAtMidnightAndSharesAndContinuesTheDaysFile)
{
    auto first = Session(CAutoLogDlg::kPerDay, logs);
    At("2026-12-06T23:59:00");
    first->WriteAutoLog("late\r\n");
    At("2026-12-07T00:01:00");
    first->WriteAutoLog("early ");
    EXPECT_EQ(Log("20261206.txt"), "late\r\n");
    // A second window on the host writes into the same day's file, between the first's texts.
    auto second = Session(CAutoLogDlg::kPerDay, logs);
    second->WriteAutoLog("second ");
    first->WriteAutoLog("first");
    // A later connection continues the file; it never truncates it.
    first.reset();
    second.reset();
    Session(CAutoLogDlg::kPerDay, logs)->WriteAutoLog(" again");
    EXPECT_EQ(Log("20261207.txt"), "early second first again");
}

TEST_F(AutoLog, EachConnectionClaimsTheNextNumberAndKeepsItsFileAfterMidnight)
{
    At("2026-12-06T23:00:00");
    auto first = Session(CAutoLogDlg::kPerConnection, logs);
    auto second = Session(CAutoLogDlg::kPerConnection, logs);
    EXPECT_TRUE(FilesIn(logs).empty()); // nothing is opened before the first text
    first->WriteAutoLog("one ");
    second->WriteAutoLog("two");
    At("2026-12-07T00:30:00");
    first->WriteAutoLog("after midnight");
    EXPECT_EQ(Log("20261206-1.txt"), "one after midnight");
    EXPECT_EQ(Log("20261206-2.txt"), "two");
}

TEST_F(AutoLog, FoldersThatCannotBeUsedHereWriteNothingAndTheNextWriteTriesAgain)
{
    // The program may be started anywhere; a relative folder must not land in it. Every
    // folder named here exists (as a relative or oddly named one), so only the rule keeps
    // the log out of it.
    const QString startedIn = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Q(dir.Path())));
    const std::vector<std::string> folders = {
        "", "logs", "C:\\", "C:\\logs", "c:/logs", logs + "\\sub", "logs/sub", logs + "/missing"};
    for (const std::string& folder : folders) {
        if (!folder.empty() && folder != logs + "/missing") {
            ASSERT_TRUE(QDir().mkpath(Q(folder)));
        }
    }
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        auto log = Session(CAutoLogDlg::kPerDay, folder);
        log->WriteAutoLog("lost");
        EXPECT_EQ(log->OpenFilePath(), "");
        QDirIterator anyLog(Q(dir.Path()), {QStringLiteral("*.txt")}, QDir::Files,
                            QDirIterator::Subdirectories);
        EXPECT_FALSE(anyLog.hasNext()) << anyLog.next().toStdString();
    }
    QDir::setCurrent(startedIn);

    auto log = Session(CAutoLogDlg::kPerDay, logs + "/missing");
    log->WriteAutoLog("lost ");
    ASSERT_TRUE(QDir().mkpath(Q(logs + "/missing")));
    log->WriteAutoLog("kept");
    EXPECT_EQ(FileBytes(logs + "/missing/20261206.txt"), "kept");
}

TEST_F(AutoLog, AVanishedOrFullFolderLosesOnlyTheWriteThatFailed)
{
    for (int method : {CAutoLogDlg::kPerDay, CAutoLogDlg::kPerConnection}) {
        SCOPED_TRACE(method);
        const std::string name = method == CAutoLogDlg::kPerDay ? "20261206.txt" : "20261206-1.txt";
        auto log = Session(method, logs);
        log->WriteAutoLog("gone with the folder ");
        ASSERT_TRUE(QDir(Q(logs)).removeRecursively());
        log->WriteAutoLog("lost ");
        ASSERT_TRUE(QDir().mkpath(Q(logs)));
        log->WriteAutoLog("kept");
        EXPECT_EQ(Log(name), "kept");
        ASSERT_TRUE(QDir(Q(logs)).removeRecursively());
        ASSERT_TRUE(QDir().mkpath(Q(logs)));
    }

    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full to stand for a full disk";
    // Today's file is a device that refuses every byte, as a full disk does.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), Q(logs + "/20261206.txt")));
    auto log = Session(CAutoLogDlg::kPerDay, logs);
    log->WriteAutoLog("lost ");
    ASSERT_TRUE(QFile::remove(Q(logs + "/20261206.txt")));
    log->WriteAutoLog("kept");
    EXPECT_EQ(Log("20261206.txt"), "kept");
}

TEST_F(AutoLog, IsOffByDefaultAndLogsToTheDocumentsFolder)
{
    CAutoLogDlg fresh(services, kHost);
    fresh.SetClock([this] { return now; });
    fresh.WriteAutoLog("off");
    EXPECT_EQ(fresh.OpenFilePath(), "");
    EXPECT_EQ(QString::fromStdString(fresh.GetSettings().directory),
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

} // namespace
