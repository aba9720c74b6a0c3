#include "TForm1.h"

#include "QtDialogs.h"
#include "RunnerConstants.h"
#include "widgets/HintTimingStyle.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The application's title is the program's file name without extension, in upper case as
    // the system has always shown it ("KESTRAVE"); the query editor looks for it.
    const QString title = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toUpper();
    QApplication::setApplicationName(QStringLiteral("kestrave"));
    QApplication::setApplicationDisplayName(title.isEmpty() ? ksv::RunnerConstants::applicationTitle() : title);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(new ksv::HintTimingStyle);
    ksv::installDefaultDialogsForGui();

    // The window's creation does the whole start, and with an argument the whole run.
    ksv::TForm1 form(QCoreApplication::arguments().mid(1));
    if (form.endRequested())
        return form.exitCode();
    return QApplication::exec();
}
