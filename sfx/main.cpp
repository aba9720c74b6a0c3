// The self-extractor: extracts the archive appended to this program.

#include "ConsoleDialogs.h"
#include "SfxExtractor.h"
#include "SfxTexts.h"

#include "Dialogs.h"

#ifdef KSV_SFX_WINDOW
#include "QtDialogs.h"
#include "SfxWindow.h"

#include <QApplication>
#endif

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

// No window without a display, on Qt's display-less platforms, or when asked for.
bool consoleWanted(int argc, char* argv[])
{
#ifndef KSV_SFX_WINDOW
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return true;
#else
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--console") == 0)
            return true;
    }
    return !ksv::windowSystemAvailable();
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    const bool console = consoleWanted(argc, argv);
    std::unique_ptr<QCoreApplication> app;
#ifdef KSV_SFX_WINDOW
    if (!console)
        app = std::make_unique<QApplication>(argc, argv);
#endif
    if (!app)
        app = std::make_unique<QCoreApplication>(argc, argv);

    const QStringList args = QCoreApplication::arguments().mid(1);
    QString folderArgument;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h")) {
            QTextStream(stdout) << ksv::SfxTexts::usage();
            return 0;
        }
        if (args[i] == QLatin1String("--dir") && i + 1 < args.size())
            folderArgument = args[++i];
    }

    if (console) {
        if (!ksv::dialogsAreScripted() && ::isatty(STDIN_FILENO))
            ksv::installDialogs(new ksv::ConsoleDialogs);
    } else {
#ifdef KSV_SFX_WINDOW
        ksv::installDefaultDialogsForGui();
#endif
    }

    ksv::SfxExtractor extractor(QCoreApplication::applicationFilePath());
    if (!extractor.load()) {
        ksv::dialogs().message(ksv::MessageKind::Error, extractor.error(), {ksv::Button::Ok});
        return ksv::SfxExtractor::Failed;
    }
    QCoreApplication::setApplicationName(extractor.caption());
    const bool immediate = extractor.autoRun();
    if (!immediate && !extractor.confirmStart())
        return ksv::SfxExtractor::Declined;

    QString folder = extractor.proposedFolder();
    if (!folderArgument.isEmpty() && extractor.allowChanges())
        folder = folderArgument;
    QStringList names;
#ifdef KSV_SFX_WINDOW
    if (!console && !immediate && !ksv::dialogsAreScripted()) {
        ksv::SfxWindow window(extractor);
        if (window.exec() != QDialog::Accepted)
            return ksv::SfxExtractor::Declined;
        folder = window.folder();
        names = window.chosenNames();
        if (names.isEmpty())
            return ksv::SfxExtractor::Declined;
    }
#endif
    return extractor.extract(folder, names);
}
