// The self-extractor's window (offscreen) and what it shows of the archive's settings.

#include "SfxExtractor.h"
#include "SfxWindow.h"
#include "ZipTestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;
using namespace ksv::ziptest;
using namespace Qt::StringLiterals;

class TestSfxWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A self-extracting program holding a.txt and b.txt (found in a sub-folder), with the given settings.
    QString makeProgram(const QString& name, unsigned options, const QString& defaultDir, const QByteArray& icon = {})
    {
        writeFile(m_dir.filePath(u"src/a.txt"_s), "a");
        writeFile(m_dir.filePath(u"src/sub/b.txt"_s), "b");
        const QString zipPath = m_dir.filePath(name + u".zip"_s);
        ZipMaster zip;
        zip.setFileName(zipPath);
        zip.setAddOptions(ZipMaster::AddRecurseDirs);
        zip.setFSpecArgs({m_dir.filePath(u"src/*.*"_s)});
        if (zip.Add() != 0)
            return {};
        zip.setSFXCaption(u"My programm setup"_s);
        zip.setSFXDefaultDir(defaultDir);
        zip.setSFXOptions(options);
        zip.setSFXIcon(icon);
        if (zip.ConvertSFX() != 0)
            return {};
        return m_dir.filePath(name + u".exe"_s);
    }

private slots:
    void lockedOrChangeable_data()
    {
        QTest::addColumn<unsigned>("options");
        QTest::addColumn<bool>("changeable");
        QTest::newRow("changeable") << unsigned(SfxOption::AllowChanges) << true;
        QTest::newRow("locked") << 0u << false;
    }

    void lockedOrChangeable()
    {
        QFETCH(unsigned, options);
        QFETCH(bool, changeable);
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");

        const QString program = makeProgram(u"setup"_s, options, m_dir.filePath(u"target"_s), png);
        QVERIFY(!program.isEmpty());
        SfxExtractor extractor(program);
        QVERIFY(extractor.load());
        SfxWindow window(extractor);
        QCOMPARE(window.windowTitle(), u"My programm setup"_s);
        QVERIFY(!window.windowIcon().isNull());
        auto* folder = window.findChild<QLineEdit*>(u"EdFolder"_s);
        auto* files = window.findChild<QListWidget*>(u"LstFiles"_s);
        auto* browse = window.findChild<QPushButton*>(u"BtBrowse"_s);
        QVERIFY(folder && files && browse);
        QCOMPARE(folder->text(), m_dir.filePath(u"target"_s));
        QCOMPARE(folder->isReadOnly(), !changeable);
        QCOMPARE(browse->isEnabled(), changeable);
        QCOMPARE(files->count(), 2);
        QCOMPARE(bool(files->item(0)->flags() & Qt::ItemIsUserCheckable), changeable);
        QCOMPARE(window.chosenNames(), (QStringList{u"a.txt"_s, u"b.txt"_s}));
        if (changeable) {
            files->item(0)->setCheckState(Qt::Unchecked);
            QCOMPARE(window.chosenNames(), QStringList{u"b.txt"_s});
        }
    }

    void proposedFolderAndImmediateStart()
    {
        const QString temp = makeProgram(u"temp"_s, unsigned(SfxOption::AutoRunWithBang), u"><"_s);
        SfxExtractor byTemp(temp);
        QVERIFY(byTemp.load());
        QCOMPARE(byTemp.proposedFolder(), QDir::cleanPath(QDir::tempPath()));
        QVERIFY(!byTemp.autoRun()); // the name does not begin with "!"
        const QString bang = m_dir.filePath(u"!temp.exe"_s);
        QVERIFY(QFile::rename(temp, bang));
        SfxExtractor byBang(bang);
        QVERIFY(byBang.load());
        QVERIFY(byBang.autoRun());
        QCOMPARE(byBang.caption(), u"My programm setup"_s);
    }
};

QTEST_MAIN(TestSfxWindow)
#include "tst_sfxwindow.moc"
