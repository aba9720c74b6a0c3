#include "TForm1.h"

#include "Dialogs.h"
#include "Drives.h"
#include "QtDialogs.h"
#include "RunnerConstants.h"
#include "WriteFailures.h"
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
    // A settings file or log that cannot be saved is said where the user sees it (in unattended
    // runs the transcript records it); standard error has it too.
    ksv::WriteFailures::setReporter([](const QString& path, const QString& reason) {
        const QString shown = ksv::DosPath::fromNative(path).value_or(path);
        ksv::dialogs().message(ksv::MessageKind::Error, ksv::WriteFailures::message(shown, reason), {ksv::Button::Ok});
    });

    // The window's creation does the whole start, and with an argument the whole run.
    ksv::TForm1 form(QCoreApplication::arguments().mid(1));
    if (form.endRequested())
        return form.exitCode();
    return QApplication::exec();
}
