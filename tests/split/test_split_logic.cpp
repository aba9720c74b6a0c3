#include "FileCutter.h"
#include "SplitRestorer.h"
#include "SplitTestSupport.h"
#include "TBackupFile.h"

#include <QTest>

#include <memory>

using namespace ksv;
using namespace ksv::test;

// The cut and the restoration without any window: what the cutting and restore windows do,
// driven through their logic classes alone (this test also builds without widgets).
class TestSplitLogic : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SplitFixture> m_fx;

    // A cut into 64 KB pieces on drive C:, without the restore program.
    static FileCutter::Request cutRequest(const QString& source)
    {
        FileCutter::Request request;
        request.source = source;
        request.destination = QStringLiteral("C:\\pieces");
        request.sizeItem = CutRules::FreeSizeItem;
        request.freeSizeText = QStringLiteral("64");
        request.copySetup = false;
        return request;
    }

private slots:
    void init() { m_fx = std::make_unique<SplitFixture>(); }
    void cleanup() { m_fx.reset(); }

    void cutThenRestoreGivesTheSameBytes()
    {
        const QByteArray data = randomBytes(150 * 1024);
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("data/Photos.zip")), data));

        TBackupFile cutEngine;
        CutRunState cutState;
        FileCutter cutter(cutEngine, cutState, m_fx->context);
        QCOMPARE(cutter.Decouper(cutRequest(QStringLiteral("C:\\data\\Photos.zip"))), FileCutter::Outcome::Succeeded);
        QVERIFY(m_fx->errors.isEmpty());
        QCOMPARE(cutState.firstPiece, QStringLiteral("C:\\pieces\\Photos.001"));
        const QStringList pieces = QDir(m_fx->c(QStringLiteral("pieces"))).entryList(QDir::Files, QDir::Name);
        // Each 64 KB piece holds at most 48 KB of a file that does not compress, as the
        // cutting window's estimate says: 150 KB make four pieces.
        QCOMPARE(pieces, (QStringList{QStringLiteral("Photos.001"), QStringLiteral("Photos.002"),
                                      QStringLiteral("Photos.003"), QStringLiteral("Photos.004")}));
        for (const QString& piece : pieces)
            QVERIFY(QFileInfo(m_fx->c(QStringLiteral("pieces/") + piece)).size() <= 64 * 1024);

        QCOMPARE(SplitRestorer::RechSplit00X(QStringLiteral("C:\\pieces")), QStringList{QStringLiteral("Photos.001")});
        TBackupFile restoreEngine;
        RestoreRunState restoreState;
        restoreState.source = SplitRestorer::sourceOf(QStringLiteral("C:\\pieces"), QStringLiteral("Photos.001"));
        restoreState.destination = QStringLiteral("C:\\back");
        SplitRestorer restorer(restoreEngine, restoreState, m_fx->context);
        QCOMPARE(restorer.Restaurer(false), SplitRestorer::Outcome::Succeeded);
        QVERIFY(m_fx->errors.isEmpty());
        QCOMPARE(readBytes(m_fx->c(QStringLiteral("back/Photos.zip"))), data);
        QVERIFY(m_fx->dialogs->asked.isEmpty());
    }

    void missingSourceIsRefused()
    {
        TBackupFile engine;
        CutRunState state;
        FileCutter cutter(engine, state, m_fx->context);
        QCOMPARE(cutter.Decouper(cutRequest(QStringLiteral("C:\\data\\nothing.zip"))), FileCutter::Outcome::Refused);
        QVERIFY(!QFileInfo::exists(m_fx->c(QStringLiteral("pieces"))));
    }
};

QTEST_GUILESS_MAIN(TestSplitLogic)
#include "test_split_logic.moc"
