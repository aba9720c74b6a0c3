#include "QtDialogs.h"

#include "Drives.h"
#include "MessageDialog.h"
#include "SystemActions.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QTreeView>
#include <QUrl>

namespace ksv {

namespace {

QString captionOr(const QString& caption)
{
    return caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
}

QWidget* parentWindow()
{
    return QApplication::activeWindow();
}

} // namespace

QString QtDialogs::qtFilter(const QString& windowsFilter)
{
    if (!windowsFilter.contains(QLatin1Char('|')))
        return windowsFilter;
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        QString description = parts.at(i).trimmed();
        // A description that already shows its patterns keeps them once.
        const qsizetype bracket = description.indexOf(QLatin1Char('('));
        if (bracket > 0)
            description = description.left(bracket).trimmed();
        filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString QtDialogs::displayText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

Button QtDialogs::askMessage(MessageKind kind, const QString& text, const Buttons& buttons, const QString& caption)
{
    MessageDialog box(kind, captionOr(caption), text, buttons, parentWindow());
    box.exec();
    return box.answer();
}

std::optional<QString> QtDialogs::askText(TextKind kind, const QString& caption, const QString& prompt,
                                          const QString& initial)
{
    bool accepted = false;
    const QString value = QInputDialog::getText(parentWindow(), captionOr(caption), displayText(prompt),
                                                kind == TextKind::Password ? QLineEdit::Password : QLineEdit::Normal,
                                                initial, &accepted);
    if (!accepted)
        return std::nullopt;
    return value;
}

QString QtDialogs::startFolder(const QString& folder)
{
    if (!folder.isEmpty()) {
        QString native = DosPath::toNative(folder);
        // A file's folder, or the nearest folder that exists on the drive.
        while (!native.isEmpty() && !QFileInfo(native).isDir()) {
            const QString parent = QFileInfo(native).path();
            if (parent == native)
                break;
            native = parent;
        }
        if (!native.isEmpty() && QFileInfo(native).isDir() && DosPath::fromNative(native).has_value())
            return native;
    }
    // Never the shell's current folder: drive C, else the first drive that holds a medium.
    const QList<DriveInfo> drives = driveServices().drives();
    for (const DriveInfo& d : drives) {
        if (d.letter == QLatin1Char('C') && driveServices().mediumPresent(d.letter))
            return d.root;
    }
    for (const DriveInfo& d : drives) {
        if (driveServices().mediumPresent(d.letter))
            return d.root;
    }
    return QString();
}

QList<QUrl> QtDialogs::driveUrls()
{
    QList<QUrl> urls;
    for (const DriveInfo& d : driveServices().drives()) {
        if (driveServices().mediumPresent(d.letter))
            urls << QUrl::fromLocalFile(d.root);
    }
    return urls;
}

std::optional<QString> QtDialogs::askPath(PathKind kind, const QString& caption, const QString& folder,
                                          const QString& filter)
{
    QFileDialog dialog(parentWindow(), captionOr(caption), startFolder(folder), qtFilter(filter));
    dialog.setObjectName(QStringLiteral("FileDialog"));
    // The dialog of our own: the drives sit in its side bar and its columns can be sized.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    switch (kind) {
    case PathKind::OpenFile:
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        break;
    case PathKind::SaveFile:
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        break;
    case PathKind::Folder:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    dialog.setViewMode(QFileDialog::Detail);
    const QList<QUrl> drives = driveUrls();
    if (!drives.isEmpty())
        dialog.setSidebarUrls(drives);
    // Wide enough for names, sizes, types and dates side by side; the name column follows the
    // longest name of each folder shown.
    const QFontMetrics metrics(dialog.font());
    dialog.resize(qMax(dialog.sizeHint().width(), metrics.averageCharWidth() * 110),
                  qMax(dialog.sizeHint().height(), metrics.height() * 28));
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        auto fit = [view] {
            for (int column = 0; column < view->header()->count(); ++column)
                view->resizeColumnToContents(column);
        };
        if (auto* model = dialog.findChild<QFileSystemModel*>())
            QObject::connect(model, &QFileSystemModel::directoryLoaded, view, fit);
        QObject::connect(&dialog, &QFileDialog::directoryEntered, view, fit);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void installDefaultDialogsForGui()
{
    setCtrlHeldProbe([] { return QApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier); });
    if (!dialogsAreScripted())
        installDialogs(new QtDialogs);
}

} // namespace ksv
