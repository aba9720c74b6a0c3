// Tests of the cutting window opened for an archive that does not fit its medium: what the
// window is given, what it hands back, and a whole Yes in the four-options dialog that cuts
// the archive into pieces which restore to the same bytes.
#include "SpanWindow.h"

#include "CutRules.h"
#include "MediaTestSupport.h"
#include "MediumCopy.h"
#include "TBackupFile.h"
#include "TFormCut.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace ksv;
using namespace ksv::test;

namespace {

// Runs action on the cutting window as soon as it is shown modally.
void whenCutWindowOpens(std::function<void(TFormCut*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        auto* window = qobject_cast<TFormCut*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(window);
    });
    timer->start();
}

} // namespace

class TestSpanWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MediaFixture> m_fx;
    RunnerContext m_context;
    QStringList m_log;
    QStringList m_errors;

private slots:
    void init()
    {
        m_fx = std::make_unique<MediaFixture>();
        TFormCut::runState() = CutRunState{};
        m_log.clear();
        m_errors.clear();
        m_context = RunnerContext{};
        m_context.settingsFile = QStringLiteral("C:\\prog\\kestrave.ini");
        m_context.programFolder = QStringLiteral("C:\\prog\\");
        m_context.appendLog = [this](const QString& line) { m_log << line; };
        m_context.addErrorLine = [this](const QString& line) { m_errors << line; };
    }
    void cleanup() { m_fx.reset(); }

    // Started with an argument the window gets the copy and the destination; without one it
    // opens as the user left it. Either way the run goes on with the combo's text.
    void fillsTheWindowOnlyForARun_data()
    {
        QTest::addColumn<bool>("startedWithArguments");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::newRow("a run") << true << "C:\\0812data.zip" << "A:\\BACKUP\\";
        QTest::newRow("the welcome view") << false << "" << "C:\\";
    }
    void fillsTheWindowOnlyForARun()
    {
        QFETCH(bool, startedWithArguments);
        m_context.startedWithArguments = startedWithArguments;
        QString seenSource;
        QString seenDestination;
        whenCutWindowOpens([&](TFormCut* w) {
            seenSource = w->EdSourceFile->text();
            seenDestination = w->ComboDestCut->currentText();
            w->ComboDestCut->setEditText(QStringLiteral("C:\\pieces\\"));
            w->CancelClick();
        });
        const QString chosen = showSpanWindow(m_context, QStringLiteral("C:\\0812data.zip"), QStringLiteral("A:\\BACKUP\\"),
                                              nullptr, SpanWindowDriver::Person);
        QTEST(seenSource, "source");
        QTEST(seenDestination, "destination");
        QCOMPARE(chosen, QStringLiteral("C:\\pieces\\"));
        // A run's Cancel is a rejected split; the welcome view's is not.
        QCOMPARE(m_errors, startedWithArguments ? QStringList{QStringLiteral("Split rejection or cancel by user.")}
                                                : QStringList{});
    }

    // Yes in the four-options dialog: the archive is copied to C:\, cut by the window into
    // pieces in the folder chosen there, the copy is removed and the target follows the
    // window's destination. The pieces restore to the work archive's bytes.
    void yesCutsTheArchiveIntoPieces()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 100000, 9));
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("capacity"), QStringLiteral("60000"));
        m_fx->script({QStringLiteral("Yes")});
        m_context.startedWithArguments = true;
        m_fx->host.spanFile = [this](const QString& source, const QString& destination) {
            return showSpanWindow(m_context, source, destination, nullptr, SpanWindowDriver::Person);
        };
        QString sourceInWindow;
        whenCutWindowOpens([&](TFormCut* w) {
            sourceInWindow = w->EdSourceFile->text();
            w->ComboDestCut->setEditText(QStringLiteral("C:\\pieces\\"));
            w->setDiskSizeItem(CutRules::FreeSizeItem);
            w->edtFreeSize->setText(QStringLiteral("40"));
            w->CBSetup->setChecked(false);
            w->Decouper(); // closes the window by itself (CBCutAutoClose)
        });

        MediumCopy medium(m_fx->host);
        QString destination = QStringLiteral("A:\\");
        QString target = QStringLiteral("A:\\0812data.zip");
        QCOMPARE(medium.CopieSupport(m_fx->workDos(), destination, target), 1);

        QCOMPARE(sourceInWindow, QStringLiteral("C:\\0812data.zip"));
        QCOMPARE(destination, QStringLiteral("C:\\pieces\\"));
        QCOMPARE(target, QStringLiteral("C:\\pieces\\0812data.zip"));
        QVERIFY(!QFileInfo::exists(m_fx->path(QStringLiteral("c/0812data.zip"))));
        // 100 kB in pieces of at most 40 kB: the container's own records make it four.
        const QFileInfoList pieces =
            QDir(m_fx->path(QStringLiteral("c/pieces"))).entryInfoList(QDir::Files, QDir::Name);
        QCOMPARE(pieces.size(), 4);
        for (int i = 0; i < pieces.size(); ++i) {
            QCOMPARE(pieces[i].fileName(), QStringLiteral("0812data.%1").arg(i + 1, 3, 10, QLatin1Char('0')));
            QVERIFY(pieces[i].size() <= 40 * 1024);
        }
        QVERIFY(m_log.contains(QStringLiteral("-Segmentation on several disk ---> OK  File number : 4")));
        QVERIFY(m_errors.isEmpty());

        TBackupFile engine;
        engine.setOnNeedDisk([](TBackupFile*, quint16, bool& Continue) { Continue = true; });
        const QString restored = m_fx->path(QStringLiteral("restored"));
        QVERIFY(engine.Restore(m_fx->path(QStringLiteral("c/pieces/0812data.001")), restored));
        QCOMPARE(readBytes(restored + QStringLiteral("/0812data.zip")), readBytes(m_fx->workNative()));
    }

    // A scripted run: nobody clicks, so the window cuts with its defaults (1.44 MB pieces, the
    // restore program on the first disk) and asks for the second disk like any cut; the user
    // swaps the medium before answering OK.
    void scriptedRunCutsOntoTwoDisks()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 2000000, 5));
        QVERIFY(writeBytes(m_fx->path(QStringLiteral("c/prog/SETUP.EXE")), "restore program"));
        m_fx->setDrive(QStringLiteral("E"), QStringLiteral("capacity"), QStringLiteral("1500000"));
        m_fx->script({QStringLiteral("Yes"), QStringLiteral("OK")});
        m_fx->dialogs->beforeAnswer = [this](const QString& text) {
            // The user takes the full disk out (kept as "disk1") and puts an empty one in.
            if (text.startsWith(QLatin1String("Insert a formatted disk."))) {
                QVERIFY(QDir().rename(m_fx->path(QStringLiteral("e")), m_fx->path(QStringLiteral("disk1"))));
                QVERIFY(QDir().mkpath(m_fx->path(QStringLiteral("e"))));
            }
        };
        m_context.startedWithArguments = true;
        m_fx->host.spanFile = spanWindowCallback(m_context);

        MediumCopy medium(m_fx->host);
        QString destination = QStringLiteral("E:\\");
        QString target = QStringLiteral("E:\\0812data.zip");
        QCOMPARE(medium.CopieSupport(m_fx->workDos(), destination, target), 1);

        const QStringList asked = m_fx->questions();
        QCOMPARE(asked.size(), 2);
        QVERIFY(asked.at(0).startsWith(QLatin1String("ask|warning|Yes+Cancel+Abort+Retry|The size of your file [ ")));
        QCOMPARE(asked.at(1), QStringLiteral("ask|information|OK+Cancel|Insert a formatted disk.( N°: 2 )\\rthen click Ok to continue|OK"));
        QCOMPARE(QDir(m_fx->path(QStringLiteral("disk1"))).entryList(QDir::Files, QDir::Name),
                 (QStringList{QStringLiteral("0812data.001"), QStringLiteral("SETUP.EXE")}));
        QCOMPARE(QDir(m_fx->path(QStringLiteral("e"))).entryList(QDir::Files, QDir::Name),
                 QStringList{QStringLiteral("0812data.002")});
        QVERIFY(QFileInfo(m_fx->path(QStringLiteral("disk1/0812data.001"))).size() <= 1300000);
        QCOMPARE(destination, QStringLiteral("E:\\"));
        QCOMPARE(target, QStringLiteral("E:\\0812data.zip"));
        QVERIFY(m_log.contains(QStringLiteral("-Segmentation on several disk ---> OK  File number : 2")));
        QVERIFY(m_errors.isEmpty());

        // Both disks' pieces side by side restore the archive.
        const QString together = m_fx->path(QStringLiteral("together"));
        QVERIFY(QDir().mkpath(together));
        QVERIFY(QFile::copy(m_fx->path(QStringLiteral("disk1/0812data.001")), together + QStringLiteral("/0812data.001")));
        QVERIFY(QFile::copy(m_fx->path(QStringLiteral("e/0812data.002")), together + QStringLiteral("/0812data.002")));
        TBackupFile engine;
        engine.setOnNeedDisk([](TBackupFile*, quint16, bool& Continue) { Continue = true; });
        QVERIFY(engine.Restore(together + QStringLiteral("/0812data.001"), m_fx->path(QStringLiteral("restored"))));
        QCOMPARE(readBytes(m_fx->path(QStringLiteral("restored/0812data.zip"))), readBytes(m_fx->workNative()));
    }

    // A scripted run whose cut is refused (the archive is smaller than one piece): the window
    // says so and closes as Cancel would; the run keeps its destination and counts as failed.
    void scriptedRunWithARefusedCutCloses()
    {
        QVERIFY(MediaFixture::makeArchive(m_fx->workNative(), 60000));
        m_fx->setDrive(QStringLiteral("A"), QStringLiteral("capacity"), QStringLiteral("40000"));
        m_fx->script({QStringLiteral("Yes")});
        m_context.startedWithArguments = true;
        m_fx->host.spanFile = spanWindowCallback(m_context);
        MediumCopy medium(m_fx->host);
        QString destination = QStringLiteral("A:\\");
        QString target = QStringLiteral("A:\\0812data.zip");
        QCOMPARE(medium.CopieSupport(m_fx->workDos(), destination, target), 1);
        QCOMPARE(m_fx->questions().last(),
                 QStringLiteral("ask|plain|OK|Split unuseful or file does not exist !|OK"));
        QCOMPARE(m_errors, QStringList{QStringLiteral("Split rejection or cancel by user.")});
        QCOMPARE(destination, QStringLiteral("A:\\"));
        QVERIFY(QDir(m_fx->path(QStringLiteral("a"))).entryList(QDir::Files).isEmpty());
        QVERIFY(!QFileInfo::exists(m_fx->path(QStringLiteral("c/0812data.zip"))));
    }
};

QTEST_MAIN(TestSpanWindow)
#include "test_spanwindow.moc"
