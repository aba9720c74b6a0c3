#include "Commands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

QString usage()
{
    QString text = QStringLiteral(
        "Usage: ksvtool COMMAND ...\n"
        "Command-line front end to Kestrave's engines. Paths may be given in DOS form (C:\\Data\\*.*)\n"
        "or as native paths (converted through the drive table).\n"
        "Exit code: 0 success, 1 the operation failed, 2 bad usage.\n\n");
#ifdef KSV_HAVE_ZIP
    text += zipCommandHelp() + QLatin1Char('\n');
#endif
#ifdef KSV_HAVE_CONTAINER
    text += containerCommandHelp() + QLatin1Char('\n');
#endif
    return text;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ksvtool"));
    QStringList args = QCoreApplication::arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        (args.isEmpty() ? err : out) << usage();
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
#ifdef KSV_HAVE_ZIP
    if (command == QLatin1String("zip"))
        return runZipCommand(args);
#endif
#ifdef KSV_HAVE_CONTAINER
    if (command == QLatin1String("container"))
        return runContainerCommand(args);
#endif
    err << "ksvtool: unknown command '" << command << "'\n" << usage();
    return 2;
}
