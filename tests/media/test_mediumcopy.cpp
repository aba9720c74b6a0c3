// Tests of the medium check and the copy to the destination (MediumCopy) on the simulated
// drives: the disk prompt and its answers, the weekday disk set, the write test, the label
// history written back to the drive file, the four ways out when the archive does not fit, and
// the texts of the copy's results. Answers come from a script file; questions are read back
// from the transcript.
#include "MediumCopy.h"

#include "MediaTestSupport.h"
#include "Transcript.h"

#include <QTest>

using namespace ksv;
using namespace ksv::test;

namespace {

QString ask(const QString& kind, const QString& buttons, const QString& text, const QString& answer)
{
    return QStringLiteral("ask|") + kind + QLatin1Char('|') + buttons + QLatin1Char('|') + Transcript::escape(text) +
           QLatin1Char('|') + answer;
}

QString diskPrompt(const QString& what, const QString& letter = QStringLiteral("A"))
{
    return QStringLiteral("Put ") + what + QStringLiteral(" in the unit : ") + letter +
           QStringLiteral(":\\\r\rCheck for a not read only Floppy disk.\r\r"
                          "If you cancel (ESC Key),your archive will be copied on hard disk C:\\.");
}

const QString NoInsertion = QStringLiteral("NO floppy disk insertion. Backup copy on C:\\");
const QString Rejection = QStringLiteral("Split rejection or cancel by user.");

} // namespace

class TestMediumCopy : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MediaFixture> m_fx;

    MediumCopy medium(bool rotating = false)
    {
        MediumCopy m(m_fx->host);
        m.rotatingSet = rotating;
        return m;
    }

private slots:
    void init() { m_fx = std::make_unique<MediaFixture>(); }
    void cleanup() { m_fx.reset(); }

    void readVolLabel_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("rotating");
        QTest::addColumn<int>("writeCount");
        QTest::addColumn<int>("weekday");
        QTest::addColumn<QString>("nextLabel");
        // Today is a Tuesday: weekday 3.
        QTest::newRow("fresh medium") << "" << false << 1 << 3 << "KSV-1-3";
        QTest::newRow("foreign label") << "BACKUPS" << true << 1 << 3 << "KSV-1-3";
        QTest::newRow("Monday disk, set on") << "KSV-4-2" << true << 4 << 2 << "KSV-5-2";
        QTest::newRow("Monday disk, set off: passes as today's") << "KSV-4-2" << false << 4 << 3 << "KSV-5-2";
        QTest::newRow("lower case mark") << "ksv-12-6" << true << 12 << 6 << "KSV-13-6";
        QTest::newRow("weekday 0 counts as today") << "KSV-2-0" << true << 2 << 3 << "KSV-3-0";
        QTest::newRow("count not a number") << "KSV-x-2" << true << 1 << 3 << "KSV-1-3";
        QTest::newRow("weekday not a number") << "KSV-4-" << true << 1 << 3 << "KSV-1-3";
        QTest::newRow("one field only") << "KSV-4" << true << 1 << 3 << "KSV-1-3";
        QTest::newRow("signed count") << "KSV-+4-2" << true << 1 << 3 << "KSV-1-3";
        QTest::newRow("weekday beyond Saturday") << "KSV-4-9" << true << 1 << 3 << "KSV-1-3";
        QTest::newRow("count beyond int") << "KSV-99999999999-2" << true << 1 << 3 << "KSV-1-3";
    }
    void readVolLabel()
    {
        QFETCH(QString, label);
        QFETCH(bool, rotating);
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("label"), label);
        const MediumCopy::VolumeLabelInfo info = medium(rotating).ReadVolLabel(QStringLiteral("A:\\"));
        QCOMPARE(info.label, label);
        QTEST(info.writeCount, "writeCount");
        QTEST(info.weekday, "weekday");
        QTEST(info.nextLabel, "nextLabel");
    }

    void todayWeekdayCountsFromSunday_data()
    {
        QTest::addColumn<QByteArray>("now");
        QTest::addColumn<int>("weekday");
        QTest::newRow("Sunday") << QByteArray("2026-12-06T09:00:00") << 1;
        QTest::newRow("Monday") << QByteArray("2026-12-07T09:00:00") << 2;
        QTest::newRow("Thursday") << QByteArray("2026-12-10T09:00:00") << 5;
        QTest::newRow("Saturday") << QByteArray("2026-12-12T09:00:00") << 7;
    }
    void todayWeekdayCountsFromSunday()
    {
        QFETCH(QByteArray, now);
        MediaFixture::setNow(now.constData());
        QTEST(MediumCopy::todayWeekday(), "weekday");
    }

    // The fresh medium, the Monday disk with the set on and off, and the Monday disk used on a
    // Monday: which prompt is shown and which label the copy leaves on the medium.
    void weekdaySetAndLabels_data()
    {
        QTest::addColumn<QByteArray>("now");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("rotating");
        QTest::addColumn<QString>("prompt");     // the expected prompt text, empty: no prompt
        QTest::addColumn<QString>("finalLabel");
        QTest::addColumn<QString>("hint");
        const QByteArray tuesday("2026-12-08T10:00:00");
        QTest::newRow("fresh medium, set off") << tuesday << "" << false << "" << "KSV-1-3" << "1 writing on this unit.";
        QTest::newRow("fresh medium, set on") << tuesday << "" << true << "" << "KSV-1-3" << "1 writing on this unit.";
        QTest::newRow("Monday disk on a Tuesday, set off")
            << tuesday << "KSV-4-2" << false << "" << "KSV-5-2" << "5 writing on this unit.";
        // The prompt asks for Tuesday's disk; a fresh disk is put in and accepted.
        QTest::newRow("Monday disk on a Tuesday, set on")
            << tuesday << "KSV-4-2" << true << diskPrompt(QStringLiteral("disk of Tuesday or a new medium")) << "KSV-1-3"
            << "1 writing on this unit.";
        QTest::newRow("Monday disk on a Monday, set on")
            << QByteArray("2026-12-07T10:00:00") << "KSV-4-2" << true << "" << "KSV-5-2" << "5 writing on this unit.";
        QTest::newRow("Monday disk on a Thursday, set on")
            << QByteArray("2026-12-10T10:00:00") << "KSV-4-2" << true
            << diskPrompt(QStringLiteral("disk of Thuesday or a new medium")) << "KSV-1-5" << "1 writing on this unit.";
    }
    void weekdaySetAndLabels()
    {
        QFETCH(QByteArray, now);
        QFETCH(QString, label);
        QFETCH(bool, rotating);
        QFETCH(QString, prompt);
        MediaFixture::setNow(now.constData());
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("label"), label);
        m_fx->script({QStringLiteral("OK")});
        // The user takes the wrong disk out and puts a fresh one in before answering OK.
        m_fx->dialogs->beforeAnswer = [this](const QString&) {
            m_fx->setDrive(QStringLiteral("A"), QStringLiteral("label"), QString());
        };
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 20000));

        MediumCopy m = medium(rotating);
        QString destination = QStringLiteral("A:\\");
        m.VerifPresenceDskSinonDD(destination);
        QCOMPARE(destination, QStringLiteral("A:\\"));
        if (prompt.isEmpty()) {
            QCOMPARE(m_fx->questions(), QStringList());
            QCOMPARE(m_fx->pauses, 0);
        } else {
            QCOMPARE(m_fx->questions(), QStringList{ask(QStringLiteral("information"), QStringLiteral("OK+Cancel"), prompt,
                                                        QStringLiteral("OK"))});
            QCOMPARE(m_fx->pauses, 1);
        }
        QVERIFY(m_fx->log.isEmpty());

        QString target = QStringLiteral("A:\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), 0);
        QTEST(m_fx->driveKey(QStringLiteral("A"), QStringLiteral("label")), "finalLabel");
        QFETCH(QString, finalLabel);
        QCOMPARE(m_fx->actions(QStringLiteral("label")), QStringList{QStringLiteral("act|label|A: ") + finalLabel});
        QTEST(m_fx->exploHint, "hint");
        QCOMPARE(readBytes(m_fx->path(QStringLiteral("a/0812data.zip"))), readBytes(m_fx->workNative()));
    }

    // A successful copy to a removable medium: every line and label the main window gets.
    void copyToRemovableReportsEveryStep()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 30000));
        const qint64 size = QFileInfo(m_fx->workNative()).size();
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        QString target = QStringLiteral("A:\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), 0);
        QCOMPARE(m_fx->log, (QStringList{QStringLiteral("-End copy on medium : A:\\"),
                                         QStringLiteral("   Free space on disk : 1457664"),
                                         QStringLiteral("   Creation of : 0812data.zip [%1]  ---> OK ").arg(size)}));
        QCOMPARE(m_fx->captions, (QStringList{QStringLiteral("- Copy on medium...Wait "), QStringLiteral("- End of copy process.")}));
        QCOMPARE(m_fx->process, QStringList{QStringLiteral("Copying on medium ")});
        QCOMPARE(m_fx->info, QStringLiteral("Copying on medium...Wait"));
        QCOMPARE(m_fx->finalInfos, QStringLiteral("- End of process.    You may quit."));
        QVERIFY(m_fx->errors.isEmpty());
        QCOMPARE(destination, QStringLiteral("A:\\"));
        QCOMPARE(target, QStringLiteral("A:\\0812data.zip"));
    }

    // No medium, then the prompt: Cancel moves the run to C:\, OK after the medium is put in
    // checks again and passes. Nobody there (script exhausted) gives the safe answer Cancel.
    void noMedium_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("insertOnPrompt");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<int>("prompts");
        QTest::newRow("Cancel") << QStringList{QStringLiteral("Cancel")} << false << "C:\\" << 1;
        QTest::newRow("nobody there") << QStringList{} << false << "C:\\" << 1;
        QTest::newRow("OK after inserting") << QStringList{QStringLiteral("OK")} << true << "A:\\BACKUP\\" << 1;
        QTest::newRow("OK without inserting, then Cancel")
            << QStringList{QStringLiteral("OK"), QStringLiteral("OK"), QStringLiteral("Cancel")} << false << "C:\\" << 3;
    }
    void noMedium()
    {
        QFETCH(QStringList, answers);
        QFETCH(bool, insertOnPrompt);
        QFETCH(int, prompts);
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("present"), QStringLiteral("0"));
        m_fx->script(answers);
        if (insertOnPrompt)
            m_fx->dialogs->beforeAnswer = [this](const QString&) {
                m_fx->setDrive(QStringLiteral("A"), QStringLiteral("present"), QStringLiteral("1"));
            };
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\BACKUP\\");
        m.VerifPresenceDskSinonDD(destination);
        QTEST(destination, "destination");
        const QStringList asked = m_fx->questions();
        QCOMPARE(asked.size(), prompts);
        QVERIFY2(asked.first().startsWith(QStringLiteral("ask|information|OK+Cancel|") +
                                          Transcript::escape(diskPrompt(QStringLiteral(" a medium "))) + QLatin1Char('|')),
                 qPrintable(asked.first()));
        if (destination == QLatin1String("C:\\")) {
            QCOMPARE(m_fx->log, QStringList{NoInsertion});
            QCOMPARE(m_fx->destinations, QStringList{QStringLiteral("C:\\")});
        } else {
            QVERIFY(m_fx->log.isEmpty());
            QVERIFY(m_fx->destinations.isEmpty());
        }
        // The label is only written by the copy.
        QVERIFY(m_fx->actions(QStringLiteral("label")).isEmpty());
    }

    // A medium that refuses writes is asked for again; a writable one put in passes. The write
    // test leaves nothing behind on the medium.
    void readOnlyMedium()
    {
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("readonly"), QStringLiteral("1"));
        m_fx->script({QStringLiteral("OK")});
        m_fx->onPause = [this] { m_fx->setDrive(QStringLiteral("A"), QStringLiteral("readonly"), QStringLiteral("0")); };
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        m.VerifPresenceDskSinonDD(destination);
        QCOMPARE(destination, QStringLiteral("A:\\"));
        QCOMPARE(m_fx->questions().size(), 1);
        QCOMPARE(m_fx->pauses, 1);
        QCOMPARE(QDir(m_fx->path(QStringLiteral("a"))).entryList(QDir::Files), QStringList());
    }

    void isDiskReadOnly_data()
    {
        QTest::addColumn<QString>("present");
        QTest::addColumn<QString>("readonly");
        QTest::addColumn<bool>("expected");
        QTest::newRow("writable") << "1" << "0" << false;
        QTest::newRow("write-protected") << "1" << "1" << true;
        QTest::newRow("no medium") << "0" << "0" << true;
    }
    void isDiskReadOnly()
    {
        QFETCH(QString, present);
        QFETCH(QString, readonly);
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("present"), present);
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("readonly"), readonly);
        // A file of the user's that bears the test file's name is left exactly as it was.
        QVERIFY(writeBytes(m_fx->path(QStringLiteral("a/A.DAT")), "mine"));
        QTEST(MediumCopy::IsDiskReadOnly(QLatin1Char('a')), "expected");
        QCOMPARE(QDir(m_fx->path(QStringLiteral("a"))).entryList(QDir::Files), QStringList{QStringLiteral("A.DAT")});
        QCOMPARE(readBytes(m_fx->path(QStringLiteral("a/A.DAT"))), QByteArray("mine"));
        QVERIFY(MediumCopy::IsDiskReadOnly(QLatin1Char('Q'))); // no such drive
    }

    // The prompt repeats while the answer is OK and nothing changes; the bound ends it as a
    // Cancel would.
    void endlessOkIsBounded()
    {
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("present"), QStringLiteral("0"));
        QStringList oks;
        for (int i = 0; i < MediumCopy::MaxDiskPrompts + 5; ++i)
            oks << QStringLiteral("OK");
        m_fx->script(oks);
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        m.VerifPresenceDskSinonDD(destination);
        QCOMPARE(destination, QStringLiteral("C:\\"));
        QCOMPARE(m_fx->questions().size(), MediumCopy::MaxDiskPrompts);
        QCOMPARE(m_fx->log, QStringList{NoInsertion});
    }

    // A fixed disk: no check, no prompt, no label, only the free-space comparison and the copy.
    void fixedDestination()
    {
        m_fx->setDrive(QStringLiteral("C"), QStringLiteral("label"), QStringLiteral("KSV-3-2"));
        m_fx->setDrive(QStringLiteral("C"), QStringLiteral("readonly"), QStringLiteral("0"));
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 10000));
        MediumCopy m = medium(true);
        QString destination = QStringLiteral("C:\\Backup\\");
        m.VerifPresenceDskSinonDD(destination);
        QCOMPARE(destination, QStringLiteral("C:\\Backup\\"));
        QString target = QStringLiteral("C:\\Backup\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), 0);
        QVERIFY(m_fx->questions().isEmpty());
        QVERIFY(m_fx->actions(QStringLiteral("label")).isEmpty());
        QCOMPARE(m_fx->driveKey(QStringLiteral("C"), QStringLiteral("label")), QStringLiteral("KSV-3-2"));
        QCOMPARE(m_fx->exploHint, QString());
        QCOMPARE(readBytes(m_fx->path(QStringLiteral("c/Backup/0812data.zip"))), readBytes(m_fx->workNative()));
    }

    void volumeWritesHint_data()
    {
        QTest::addColumn<QString>("drive");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("hint");
        QTest::newRow("removable, history") << "A" << "KSV-12-3" << "12 writing on this unit.";
        QTest::newRow("removable, lower-case mark") << "A" << "ksv-12-3" << "";
        QTest::newRow("removable, no label") << "A" << "" << "";
        QTest::newRow("fixed disk") << "C" << "KSV-12-3" << "";
    }
    void volumeWritesHint()
    {
        QFETCH(QString, drive);
        QFETCH(QString, label);
        m_fx->setDrive(drive, QStringLiteral("label"), label);
        QTEST(MediumCopy::VolumeWritesHint(drive + QStringLiteral(":\\")), "hint");
    }

    // The archive does not fit: the four-options dialog and each of its answers.
    void fourOptionsYesCutsTheArchive()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 60000));
        m_fx->setDrive(QStringLiteral("E"), QStringLiteral("capacity"), QStringLiteral("40000"));
        m_fx->script({QStringLiteral("Yes")});
        QStringList calls;
        QByteArray handedOver;
        m_fx->host.spanFile = [&](const QString& source, const QString& dest) {
            calls << source << dest;
            handedOver = readBytes(m_fx->path(QStringLiteral("c/0812data.zip")));
            return QStringLiteral("C:\\pieces\\");
        };
        MediumCopy m = medium();
        QString destination = QStringLiteral("E:\\BACKUP\\");
        QString target = QStringLiteral("E:\\BACKUP\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), 1);

        const QString sizeText = sTailleFichier(m_fx->workDos());
        QCOMPARE(m_fx->questions(),
                 QStringList{ask(QStringLiteral("warning"), QStringLiteral("Yes+Cancel+Abort+Retry"),
                                 QStringLiteral("The size of your file [ ") + sizeText +
                                     QStringLiteral(" ] exceed freespace of your floppy disk.\r\n\rYOU HAVE FOUR OPTIONS : \r\n"
                                                    "- Run split file process                 --> [ Yes ]\r\n"
                                                    "- Backup copy on hard disk C:\\           --> [ Cancel ]\r\n"
                                                    "- Abandon data saving process....        --> [ Abandon ]\r\n"
                                                    "- Put an other disk in drive unit        --> [ Retry ]"),
                                 QStringLiteral("Yes"))});
        QCOMPARE(calls, (QStringList{QStringLiteral("C:\\0812data.zip"), QStringLiteral("E:\\BACKUP\\")}));
        QCOMPARE(handedOver, readBytes(m_fx->workNative()));
        QVERIFY(!QFileInfo::exists(m_fx->path(QStringLiteral("c/0812data.zip")))); // the copy is gone
        QCOMPARE(destination, QStringLiteral("C:\\pieces\\"));
        QCOMPARE(target, QStringLiteral("C:\\pieces\\0812data.zip"));
        QCOMPARE(m_fx->destinations, QStringList{QStringLiteral("C:\\pieces\\")});
        QCOMPARE(m_fx->log, (QStringList{QStringLiteral("-End copy on medium : E:\\BACKUP\\"),
                                         QStringLiteral("   Free space on disk :  --> insufficient.")}));
        QVERIFY(m_fx->errors.isEmpty());
        QVERIFY(m_fx->actions(QStringLiteral("label")).isEmpty());
    }

    void fourOptionsCancelCopiesToDriveC()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 60000));
        m_fx->setDrive(QStringLiteral("E"), QStringLiteral("capacity"), QStringLiteral("40000"));
        m_fx->script({QStringLiteral("Cancel")});
        MediumCopy m = medium();
        QString destination = QStringLiteral("E:\\BACKUP\\");
        QString target = QStringLiteral("E:\\BACKUP\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), 0);
        QCOMPARE(destination, QStringLiteral("C:\\"));
        QCOMPARE(target, QStringLiteral("C:\\BACKUP\\0812data.zip"));
        QCOMPARE(m_fx->questions().size(), 1);
        // C:\BACKUP did not exist: the copy makes it.
        QCOMPARE(readBytes(m_fx->path(QStringLiteral("c/BACKUP/0812data.zip"))), readBytes(m_fx->workNative()));
        QVERIFY(QDir(m_fx->path(QStringLiteral("e"))).entryList(QDir::Files).isEmpty());
        QVERIFY(m_fx->actions(QStringLiteral("label")).isEmpty());
        QCOMPARE(m_fx->log.at(2), QStringLiteral("-End copy on medium : C:\\"));
        QVERIFY(m_fx->log.last().endsWith(QStringLiteral(" ---> OK ")));
    }

    void fourOptionsAbortGivesUp()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 60000));
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("capacity"), QStringLiteral("40000"));
        m_fx->script({QStringLiteral("Abort")});
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        QString target = QStringLiteral("A:\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), 1);
        QCOMPARE(m_fx->errors, QStringList{Rejection});
        QCOMPARE(m_fx->log.last(), QStringLiteral(" Cancel : no medium insertion"));
        QCOMPARE(destination, QStringLiteral("A:\\"));
        QVERIFY(QDir(m_fx->path(QStringLiteral("a"))).entryList(QDir::Files).isEmpty());
        QVERIFY(m_fx->actions(QStringLiteral("label")).isEmpty());
    }

    // Retry after a larger medium is put in: the copy is done once, to that medium, and the
    // label written is the new medium's, not the one checked before the archive was built.
    void fourOptionsRetryWithLargerMedium()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 60000));
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("capacity"), QStringLiteral("40000"));
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("label"), QStringLiteral("KSV-7-3"));
        m_fx->script({QStringLiteral("Retry")});
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        m.VerifPresenceDskSinonDD(destination);
        QCOMPARE(m.lastLabel().nextLabel, QStringLiteral("KSV-8-3"));
        m_fx->dialogs->beforeAnswer = [this](const QString&) {
            m_fx->setDrive(QStringLiteral("A"), QStringLiteral("capacity"), QStringLiteral("500000"));
            m_fx->setDrive(QStringLiteral("A"), QStringLiteral("label"), QStringLiteral("KSV-2-3"));
        };
        QString target = QStringLiteral("A:\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), 0);
        QCOMPARE(m_fx->questions().size(), 1);
        QCOMPARE(m_fx->log.filter(QStringLiteral("-End copy on medium")).size(), 2);
        QCOMPARE(m_fx->log.filter(QStringLiteral("Creation of")).size(), 1);
        QCOMPARE(m_fx->actions(QStringLiteral("label")), QStringList{QStringLiteral("act|label|A: KSV-3-3")});
        QCOMPARE(readBytes(m_fx->path(QStringLiteral("a/0812data.zip"))), readBytes(m_fx->workNative()));
        QCOMPARE(m_fx->exploHint, QStringLiteral("3 writing on this unit."));
    }

    // Nobody there and even drive C too small: the safe answer Cancel cannot help, the bound
    // ends the loop as Abort would.
    void fourOptionsUnansweredIsBounded()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 60000));
        m_fx->setDrive(QStringLiteral("C"), QStringLiteral("capacity"), QStringLiteral("70000"));
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("capacity"), QStringLiteral("40000"));
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        QString target = QStringLiteral("A:\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), 1);
        QCOMPARE(m_fx->questions().size(), MediumCopy::MaxFourOptionRounds);
        QCOMPARE(m_fx->errors, QStringList{Rejection});
        QCOMPARE(destination, QStringLiteral("C:\\"));
    }

    // A person at the window may retry as often as they like: the bound is for runs nobody
    // answers. Thirteen Retries, then the person's Abort.
    void fourOptionsRetryUnboundedForAPerson()
    {
        struct PersonAtTheWindow : Dialogs
        {
            int asked = 0;
            Button askMessage(MessageKind, const QString&, const Buttons&, const QString&) override
            {
                return ++asked <= 13 ? Button::Retry : Button::Abort;
            }
            std::optional<QString> askText(TextKind, const QString&, const QString&, const QString&) override
            {
                return std::nullopt;
            }
            std::optional<QString> askPath(PathKind, const QString&, const QString&, const QString&) override
            {
                return std::nullopt;
            }
        };
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 60000));
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("capacity"), QStringLiteral("40000"));
        const QByteArray script = qgetenv("KESTRAVE_SCRIPT");
        qunsetenv("KESTRAVE_SCRIPT");
        PlatformEnvironment::reload();
        QVERIFY(!dialogsAreScripted());
        auto* person = new PersonAtTheWindow;
        installDialogs(person);

        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        QString target = QStringLiteral("A:\\0812data.zip");
        const int result = m.CopieSupport(m_fx->workDos(), destination, target);
        const int asked = person->asked;
        qputenv("KESTRAVE_SCRIPT", script);
        PlatformEnvironment::reload();

        QCOMPARE(result, 1);
        QCOMPARE(asked, 14);
        QCOMPARE(m_fx->errors, QStringList{Rejection});
        QCOMPARE(destination, QStringLiteral("A:\\"));
        QVERIFY(!QFileInfo::exists(m_fx->path(QStringLiteral("a/0812data.zip"))));
    }

    // The copy operation's results and what each one shows.
    void copyResults_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("text");
        QTest::newRow("-1") << -1 << "File creation error0812data.zip";
        QTest::newRow("-2") << -2 << "Read/Write disk error.";
        QTest::newRow("-3") << -3 << "Invalid or noexistent Archivework.zip  ---> ERRORS !";
        QTest::newRow("-9") << -9 << "General Error !!";
        QTest::newRow("unknown") << 5 << "";
    }
    void copyResults()
    {
        QFETCH(int, result);
        QFETCH(QString, text);
        QVERIFY(writeBytes(m_fx->workNative(), "PK"));
        m_fx->host.copyFile = [result](const QString&, const QString&) { return result; };
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        QString target = QStringLiteral("A:\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), result);
        QCOMPARE(m_fx->errors, QStringList{text});
        QCOMPARE(m_fx->process, (QStringList{QStringLiteral("Copying on medium "), text}));
        QCOMPARE(m_fx->log.mid(2), (QStringList{text, QStringLiteral("   Creation of : 0812data.zip [0]  ---> ERRORS !")}));
        QCOMPARE(m_fx->finalInfos, QStringLiteral("WARNING... Error on storage unit. Make a new data saving !"));
        QVERIFY(!m_fx->captions.contains(QStringLiteral("- End of copy process.")));
    }

    // The zip engine's own copy refuses a work archive that is not an archive.
    void engineRefusesABrokenArchive()
    {
        QVERIFY(writeBytes(m_fx->workNative(), "not an archive"));
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        QString target = QStringLiteral("A:\\0812data.zip");
        QCOMPARE(m.CopieSupport(m_fx->workDos(), destination, target), -3);
        QCOMPARE(m_fx->errors, QStringList{QStringLiteral("Invalid or noexistent Archivework.zip  ---> ERRORS !")});
        QVERIFY(!QFileInfo::exists(m_fx->path(QStringLiteral("a/0812data.zip"))));
    }

    // A failed copy for the cut is reported; a file of the user's on C:\ with the target's
    // name is neither replaced nor deleted; the window still opens with the copy it got.
    void spanFileCopies()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 5000));
        QVERIFY(writeBytes(m_fx->path(QStringLiteral("c/0812data.zip")), "the user's own file"));
        QString handed;
        QByteArray handedBytes;
        m_fx->host.spanFile = [&](const QString& source, const QString&) {
            handed = source;
            handedBytes = readBytes(m_fx->path(QStringLiteral("c/prog/Sas_Zip/Span/0812data.zip")));
            return QString(); // the window kept no destination: the run keeps its own
        };
        MediumCopy m = medium();
        QString destination = QStringLiteral("A:\\");
        QString target = QStringLiteral("A:\\0812data.zip");
        m.SpanFile(m_fx->workDos(), destination, target);
        QCOMPARE(handed, QStringLiteral("C:\\prog\\Sas_Zip\\Span\\0812data.zip"));
        QCOMPARE(handedBytes, readBytes(m_fx->workNative()));
        QCOMPARE(readBytes(m_fx->path(QStringLiteral("c/0812data.zip"))), QByteArray("the user's own file"));
        QVERIFY(!QFileInfo::exists(m_fx->path(QStringLiteral("c/prog/Sas_Zip/Span"))));
        QCOMPARE(destination, QStringLiteral("A:\\"));
        QCOMPARE(target, QStringLiteral("A:\\0812data.zip"));
        QVERIFY(m_fx->errors.isEmpty());

        // The copy fails (the engine's -1): the error line, and the window opens all the same.
        m_fx->host.copyFile = [](const QString&, const QString&) { return -1; };
        MediumCopy failing(m_fx->host);
        handed.clear();
        failing.SpanFile(m_fx->workDos(), destination, target);
        QCOMPARE(m_fx->errors, QStringList{QStringLiteral("Erreur Span File-1")});
        QVERIFY(!handed.isEmpty());

        // F7 before any run: no work archive, no copy, the window opens empty.
        handed = QStringLiteral("<not called>");
        QString noTarget;
        failing.SpanFile(QString(), destination, noTarget);
        QCOMPARE(handed, QString());
        QCOMPARE(noTarget, QString());
        QCOMPARE(m_fx->errors.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestMediumCopy)
#include "test_mediumcopy.moc"
