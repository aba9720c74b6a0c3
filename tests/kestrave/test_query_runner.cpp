// The query runner without a window: a recording view watches what a run would show.
#include "CurrentQuery.h"
#include "Dialogs.h"
#include "IniFile.h"
#include "QueryRunner.h"
#include "RunState.h"
#include "RunView.h"
#include "RunnerPaths.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;
using namespace ksv;

namespace {

class RecordingView : public RunView
{
public:
    QStringList fileCounts;
    QStringList zippedFiles;
    QStringList inUse;
    QStringList errors;
    QStringList process;
    QStringList log;
    QString title;
    int progress = -1;
    bool fileCountVisible = false;

    void setCaption(const QString&) override {}
    void setApplicationTitle(const QString& text) override { title = text; }
    void setDataPath(const QString&) override {}
    void setDataPathHint(const QString&) override {}
    void setTarget(const QString&) override {}
    void setInfo(const QString&) override {}
    void setFinalInfos(const QString&) override {}
    void setZippedFile(const QString& text) override { zippedFiles.append(text); }
    void setFileCount(const QString& text) override { fileCounts.append(text); }
    void showFileCount(bool visible) override { fileCountVisible = visible; }
    void setProgress(int percent) override { progress = percent; }
    void showProgress(bool) override {}
    void setErrorListCaption(const QString&) override {}
    void addErrorLine(const QString& line) override { errors.append(line); }
    void clearErrorList() override { errors.clear(); }
    int errorCount() const override { return int(errors.size()); }
    void addInUseLine(const QString& line) override { inUse.append(line); }
    int inUseCount() const override { return int(inUse.size()); }
    void addProcessLine(const QString& line) override { process.append(line); }
    void appendLog(const QString& text) override { log.append(text); }
    void showQuery(const CurrentQuery&) override {}
    void showDestination(const QString&) override {}
    void refreshFreeSpace() override {}
    void setExploHint(const QString&) override {}
    QByteArray sfxIcon(const QString&, int) override { return {}; }
    void showWindow() override {}
    void pointAtDataPath() override {}
    void nudgeMouse() override {}
    void animation(const QString&, bool) override {}
    void showErrorAnimation() override {}
    void clearAutoClose() override {}
    void widen() override {}
    void processEvents() override {}
    bool endRequested() const override { return false; }
    QString spanFile(const QString&, const QString&) override { return {}; }
};

// Answers Yes to every message and "typed" to every text box, and keeps the caption and prompt
// of each text box.
class RecordingDialogs : public Dialogs
{
public:
    QList<std::pair<QString, QString>> textBoxes;

protected:
    Button askMessage(MessageKind, const QString&, const Buttons&, const QString&) override { return Button::Yes; }
    std::optional<QString> askText(TextKind, const QString& caption, const QString& prompt, const QString&) override
    {
        textBoxes.append({caption, prompt});
        return u"typed"_s;
    }
    std::optional<QString> askPath(PathKind, const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
};

} // namespace

class TestQueryRunner : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void progressCountsFiles();
    void repaintsAreBounded();
    void passwordBoxes();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniFile> m_settings;
    RunState m_state;
    RecordingView m_view;
};

void TestQueryRunner::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_settings = std::make_unique<IniFile>(m_dir->filePath(u"kestrave.ini"_s));
    m_view = RecordingView{};
}

void TestQueryRunner::progressCountsFiles()
{
    QueryRunner runner(m_view, m_state, *m_settings, RunnerPaths::forFolder(m_dir->path()), u"4"_s);
    runner.ZipMaster1Progress(ZipMaster::TotalFiles2Process, {}, 3);
    runner.ZipMaster1Progress(ZipMaster::TotalSize2Process, {}, 1000);
    QVERIFY(m_view.fileCountVisible);
    QCOMPARE(m_view.progress, 1);
    runner.ZipMaster1Progress(ZipMaster::NewFile, m_dir->filePath(u"a.txt"_s), 500);
    QVERIFY(!m_view.fileCounts.isEmpty() && !m_view.zippedFiles.isEmpty());
    QCOMPARE(m_view.fileCounts.last(), u"1/3"_s);
    QCOMPARE(m_view.title, u"1/3"_s); // the taskbar shows the count too
    QCOMPARE(m_view.zippedFiles.last(), m_dir->filePath(u"a.txt"_s));
    QVERIFY(m_view.inUse.isEmpty()); // nobody holds a missing file
    runner.ZipMaster1Progress(ZipMaster::ProgressUpdate, m_dir->filePath(u"a.txt"_s), 500);
    QThread::msleep(QueryRunner::RepaintIntervalMs + 10);
    runner.ZipMaster1Progress(ZipMaster::NewFile, m_dir->filePath(u"b.txt"_s), 500);
    QCOMPARE(m_view.fileCounts.last(), u"2/3"_s);
    QCOMPARE(m_view.progress, 50);
    runner.ZipMaster1Progress(ZipMaster::EndOfBatch, {}, 0);
    QCOMPARE(m_view.zippedFiles.last(), u" "_s);
    QCOMPARE(m_view.progress, 0);
}

void TestQueryRunner::repaintsAreBounded()
{
    // Thousands of small files in a fraction of a second: the labels change a few times, and
    // the last count is shown when the batch ends.
    QueryRunner runner(m_view, m_state, *m_settings, RunnerPaths::forFolder(m_dir->path()), u"4"_s);
    runner.ZipMaster1Progress(ZipMaster::TotalFiles2Process, {}, 5000);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 5000; ++i) {
        runner.ZipMaster1Progress(ZipMaster::NewFile, u"/nonexistent/f%1"_s.arg(i), 10);
        runner.ZipMaster1Progress(ZipMaster::ProgressUpdate, u"/nonexistent/f%1"_s.arg(i), 10);
    }
    runner.ZipMaster1Progress(ZipMaster::EndOfBatch, {}, 0);
    const qint64 elapsed = clock.elapsed();
    QVERIFY(!m_view.fileCounts.isEmpty());
    QVERIFY2(m_view.fileCounts.size() <= elapsed / QueryRunner::RepaintIntervalMs + 3,
             qPrintable(u"%1 repaints in %2 ms"_s.arg(m_view.fileCounts.size()).arg(elapsed)));
    QCOMPARE(m_view.fileCounts.last(), u"5000/5000"_s);
}

void TestQueryRunner::passwordBoxes()
{
    // The two boxes are told apart by their captions alone: they show no prompt.
    auto* dialogs = new RecordingDialogs;
    installDialogs(dialogs);
    QueryRunner runner(m_view, m_state, *m_settings, RunnerPaths::forFolder(m_dir->path()), u"4"_s);
    runner.AskPassword();
    const QList<std::pair<QString, QString>> expected{{u"Enter your password :"_s, QString()},
                                                      {u"Confirm your password :"_s, QString()}};
    QCOMPARE(dialogs->textBoxes, expected);
    QCOMPARE(runner.zip().Password(), u"typed"_s);
    installDialogs(nullptr);
}

QTEST_GUILESS_MAIN(TestQueryRunner)
#include "test_query_runner.moc"
