// The restore program shipped as "SETUP.EXE" on the first disk of a cut: rebuilds the cut file
// from the pieces beside it, without Kestrave installed.

#include "ConsoleDialogs.h"
#include "SetupRestorer.h"
#include "SetupTexts.h"

#include "Dialogs.h"

#ifdef KSV_SETUP_WINDOW
#include "QtDialogs.h"
#include "SetupWindow.h"

#include <QApplication>
#endif

#include <QCoreApplication>
#include <QTextStream>

#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

[[maybe_unused]] bool hasArgument(int argc, char* argv[], const char* name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

// No window without a display, on Qt's display-less platforms, or when asked for.
bool consoleWanted(int argc, char* argv[])
{
#ifndef KSV_SETUP_WINDOW
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return true;
#else
    if (hasArgument(argc, argv, "--console") || hasArgument(argc, argv, "--help") || hasArgument(argc, argv, "-h"))
        return true;
    return !ksv::windowSystemAvailable();
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    const bool console = consoleWanted(argc, argv);
    std::unique_ptr<QCoreApplication> app;
#ifdef KSV_SETUP_WINDOW
    if (!console)
        app = std::make_unique<QApplication>(argc, argv);
#endif
    if (!app)
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(ksv::SetupTexts::caption());

    const QStringList args = QCoreApplication::arguments().mid(1);
    QString destination;
    QString firstPiece;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            QTextStream(stdout) << ksv::SetupTexts::usage();
            return 0;
        }
        if (arg == QLatin1String("--dest") && i + 1 < args.size())
            destination = args[++i];
        else if (arg == QLatin1String("--console"))
            continue;
        else if (!arg.startsWith(QLatin1String("--")))
            firstPiece = arg;
        else {
            QTextStream(stderr) << ksv::SetupTexts::usage();
            return ksv::SetupRestorer::NothingDone;
        }
    }

    if (console) {
        if (!ksv::dialogsAreScripted() && ::isatty(STDIN_FILENO))
            ksv::installDialogs(new ksv::ConsoleDialogs);
    } else {
#ifdef KSV_SETUP_WINDOW
        ksv::installDefaultDialogsForGui();
#endif
    }

    ksv::SetupRestorer restorer(QCoreApplication::applicationDirPath());
    const QString piece = restorer.chooseFirstPiece(firstPiece);
    if (piece.isEmpty())
        return ksv::SetupRestorer::NothingDone;

#ifdef KSV_SETUP_WINDOW
    if (!console && !ksv::dialogsAreScripted()) {
        ksv::SetupWindow window(restorer, piece, destination.isEmpty() ? restorer.defaultDestination() : destination);
        window.exec();
        return window.exitCode();
    }
#endif

    if (destination.isEmpty())
        destination = restorer.askDestination(piece);
    if (destination.isEmpty())
        return ksv::SetupRestorer::NothingDone;
    if (console && ::isatty(STDOUT_FILENO)) {
        restorer.setProgressHandler([](int percent) {
            QTextStream(stdout) << '\r' << ksv::SetupTexts::progress(percent) << Qt::flush;
            if (percent >= 100)
                QTextStream(stdout) << '\n' << Qt::flush;
        });
    }
    return restorer.restore(piece, destination);
}
