#include "FileFind.h"
#include "WildcardMask.h"

#include "PlatformEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;
using namespace Qt::StringLiterals;

class TestFileFind : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

    void touch(const QString& relative)
    {
        const QString path = m_root.filePath(QStringLiteral("c/") + relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
    }

    // Events of one search, in order: "dir:<folder>", "file:<folder>|<name>", "finish".
    QStringList run(TFileSearch& search)
    {
        QStringList events;
        search.OnChangeFolder = [&](const QString& path, const TSearchRec&) { events << QStringLiteral("dir:") + path; };
        search.OnFileFind = [&](const QString& path, const TSearchRec& rec) {
            events << QStringLiteral("file:") + path + QLatin1Char('|') + rec.Name;
        };
        search.OnFinish = [&](TFileSearch*) { events << QStringLiteral("finish"); };
        search.Execute();
        return events;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QFile drives(m_root.filePath(QStringLiteral("drives.ini")));
        QVERIFY(drives.open(QIODevice::WriteOnly));
        drives.write("[C]\nroot=" + m_root.filePath(QStringLiteral("c")).toUtf8() + "\ntype=fixed\n");
        drives.close();
        qputenv("KESTRAVE_DRIVES", m_root.filePath(QStringLiteral("drives.ini")).toUtf8());
        PlatformEnvironment::reload();
        touch(QStringLiteral("Apps/Tool/EDITOR.EXE"));
        touch(QStringLiteral("Apps/Tool/readme.txt"));
        touch(QStringLiteral("Apps/Other/editor.exe"));
        touch(QStringLiteral("Apps/Other/Deep/EDITOR.EXE"));
        touch(QStringLiteral("Apps/notes.txt"));
        QDir().mkpath(m_root.filePath(QStringLiteral("c/Apps/editor.exe.d")));
    }

    void masks_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("match");
        QTest::newRow("all with dot") << u"*.*"_s << u"readme"_s << true;
        QTest::newRow("case") << u"EDITOR.EXE"_s << u"editor.exe"_s << true;
        QTest::newRow("question") << u"ed?tor.exe"_s << u"EDITOR.EXE"_s << true;
        QTest::newRow("suffix") << u"*.txt"_s << u"notes.txt.bak"_s << false;
        QTest::newRow("no extension") << u"readme."_s << u"readme"_s << true;
        QTest::newRow("star middle") << u"a*z.doc"_s << u"abcz.doc"_s << true;
        QTest::newRow("star middle miss") << u"a*z.doc"_s << u"abc.doc"_s << false;
    }
    void masks()
    {
        QFETCH(QString, mask);
        QFETCH(QString, name);
        QFETCH(bool, match);
        QCOMPARE(WildcardMask(mask).matches(name), match);
    }

    void depthFirstOrderAndMatchesBeforeSubFolders()
    {
        TFileSearch search;
        search.setSearchFile(QStringLiteral("C:\\editor.exe"));
        const QStringList events = run(search);
        // Every folder is announced before its matches; a folder's matches come before its sub-folders.
        QCOMPARE(events.first(), QStringLiteral("dir:C:\\"));
        QCOMPARE(events.last(), QStringLiteral("finish"));
        const qsizetype other = events.indexOf(QStringLiteral("dir:C:\\Apps\\Other\\"));
        const qsizetype otherMatch = events.indexOf(QStringLiteral("file:C:\\Apps\\Other\\|editor.exe"));
        const qsizetype deep = events.indexOf(QStringLiteral("dir:C:\\Apps\\Other\\Deep\\"));
        const qsizetype deepMatch = events.indexOf(QStringLiteral("file:C:\\Apps\\Other\\Deep\\|EDITOR.EXE"));
        QVERIFY(other >= 0 && otherMatch > other && deep > otherMatch && deepMatch > deep);
        QVERIFY(events.contains(QStringLiteral("file:C:\\Apps\\Tool\\|EDITOR.EXE")));
        QCOMPARE(search.FilesFound().size(), 3);
        QVERIFY(search.FilesFound().contains(QStringLiteral("C:\\Apps\\Tool\\EDITOR.EXE")));
        QVERIFY(!search.busy());
    }

    void foldersMatchingTheMaskAreReportedAndWalked()
    {
        TFileSearch search;
        search.setSearchFile(QStringLiteral("C:\\Apps\\editor.exe*"));
        const QStringList events = run(search);
        QVERIFY(events.contains(QStringLiteral("file:C:\\Apps\\|editor.exe.d")));
        QVERIFY(events.contains(QStringLiteral("dir:C:\\Apps\\editor.exe.d\\")));
    }

    void withoutHandlerNothingIsCollected()
    {
        TFileSearch search;
        search.setSearchFile(QStringLiteral("C:\\*.txt"));
        search.Execute();
        QVERIFY(search.FilesFound().isEmpty());
    }

    void noRecursionAndSeveralMasks()
    {
        TFileSearch search;
        search.RecurseSubFolders = false;
        search.setSearchFile(QStringLiteral("C:\\Apps\\Tool\\*.exe;*.txt"));
        const QStringList events = run(search);
        QCOMPARE(events, (QStringList{QStringLiteral("dir:C:\\Apps\\Tool\\"),
                                      QStringLiteral("file:C:\\Apps\\Tool\\|EDITOR.EXE"),
                                      QStringLiteral("dir:C:\\Apps\\Tool\\"),
                                      QStringLiteral("file:C:\\Apps\\Tool\\|readme.txt"), QStringLiteral("finish")}));
        QCOMPARE(splitSearchSpecifications(QStringLiteral("C:\\A\\*.x;Sub\\*.y;*.z")),
                 (QStringList{QStringLiteral("C:\\A\\*.x"), QStringLiteral("C:\\A\\Sub\\*.y"),
                              QStringLiteral("C:\\A\\Sub\\*.z")}));
    }

    void stopFromAHandlerEndsTheWalkButFinishStillFires()
    {
        TFileSearch search;
        search.Stop = true; // cleared by Execute
        search.setSearchFile(QStringLiteral("C:\\*.*"));
        int found = 0;
        bool finished = false;
        search.OnFileFind = [&](const QString&, const TSearchRec&) {
            if (++found == 2)
                search.Stop = true;
        };
        search.OnFinish = [&](TFileSearch*) { finished = true; };
        search.Execute();
        QCOMPARE(found, 2);
        QVERIFY(finished);
        QCOMPARE(search.FilesFound().size(), 2);
    }

    void missingFolderOrDriveYieldsNothing()
    {
        TFileSearch search;
        search.setSearchFile(QStringLiteral("C:\\NoSuchFolder\\*.*;Q:\\*.*"));
        const QStringList events = run(search);
        QCOMPARE(events, (QStringList{QStringLiteral("dir:C:\\NoSuchFolder\\"), QStringLiteral("dir:Q:\\"),
                                      QStringLiteral("finish")}));
        search.setSearchFile(QString(300, QLatin1Char('a')));
        QCOMPARE(search.SearchFile().size(), 255);
    }
};

QTEST_GUILESS_MAIN(TestFileFind)
#include "test_filefind.moc"
