#pragma once

#include <QString>

// The runner's own texts: captions, hints, messages and log lines, kept in one place.
// Hints hold a short part (tooltip), a bar and a long part (status bar); a hint without a bar
// serves as both.
namespace ksv::RunnerTexts {

// Window captions
inline QString mainCaption() { return QStringLiteral("Daily Data Saving and compression tool."); }
inline QString autoCloseCaption(int secondsLeft)
{
    return QStringLiteral("End of data saving process. AutoClose in : ") + QString::number(secondsLeft)
           + QStringLiteral(" s");
}

// Log lines
inline QString headerDashes() { return QStringLiteral("------------"); }
inline QString headerGap() { return QStringLiteral("         "); }
inline QString openTitle() { return QStringLiteral("Open KESTRAVE"); }
inline QString closeTitle() { return QStringLiteral("CLose KESTRAVE"); }
inline QString runQueryTitle(const QString& section) { return QStringLiteral(" Run query n° : ") + section; }
inline QString runAllTitle() { return QStringLiteral(" Run ALL Queries. "); }
inline QString runKsvTitle(const QString& path) { return QStringLiteral(" Run KSV file : ") + path; }

// Messages
inline QString restrictionsAdjourned() { return QStringLiteral("Entrance restrictions adjourned this cession."); }
inline QString featureDeactivated() { return QStringLiteral("Feature DEactivated by your administrator."); }
inline QString adminPasswordCaption() { return QStringLiteral("Administrator"); }
inline QString adminPasswordPrompt() { return QStringLiteral("Administrator password :"); }

// Welcome view
inline QString welcomeProcessLine1() { return QStringLiteral("ABOUT Box / OPTIONS --> RIGHT Mouse click."); }
inline QString welcomeProcessLine2() { return QStringLiteral("DATA Saving --> [Start]+[Data saving] Windows menu."); }
inline QString welcomeDataPath() { return QStringLiteral("C:\\MyPreciousFiles\\*.*"); }
inline QString welcomeTarget() { return QStringLiteral("A Zip or Exe archive file"); }
inline QString motto() { return QStringLiteral("Your precious files, packed and kept safe every day."); }

// Run header group
inline QString dataPathCaption() { return QStringLiteral("- Datas path  : "); }
inline QString targetCaption() { return QStringLiteral("- Target file   : "); }
inline QString aboutHint() { return QStringLiteral("About..."); }
inline QString optionsHint() { return QStringLiteral("Options..."); }

// "Zipped Files" group
inline QString zippedFilesTitle() { return QStringLiteral(" Zipped Files "); }
inline QString fileCountWait() { return QStringLiteral("Wait..."); }

// Lists
inline QString errorListCaption() { return QStringLiteral("Error (s) :"); }
inline QString inUseListCaption() { return QStringLiteral("File(s) currently in use : "); }
inline QString inUseListHint()
{
    return QStringLiteral("|Close applications before compressing your filesThose files are compressed.");
}

// Queries, help and format panels
inline QString queriesPanelHint() { return QStringLiteral("Define / Change a query."); }
inline QString queriesButtonCaption() { return QStringLiteral("+/-"); }
inline QString queriesLabelCaption() { return QStringLiteral("Queries"); }
inline QString helpButtonCaption() { return QStringLiteral("?"); }
inline QString helpButtonHint() { return QStringLiteral("ShortCut keys"); }
inline QString helpLabelCaption() { return QStringLiteral("Help"); }
inline QString helpLabelHint() { return QStringLiteral("HELP File"); }
inline QString formatPanelHint() { return QStringLiteral("Quick formatting of 1.44 Mo or Zip 100."); }
inline QString floppyButtonCaption() { return QStringLiteral("A:"); }
inline QString floppyButtonHint() { return QStringLiteral("|Format 1.44 Mo floppy disk"); }
inline QString formatLabelCaption() { return QStringLiteral("<- Format ->"); }
inline QString zipButtonHint() { return QStringLiteral("|Format ZIP 100 Mo disk ( blank if undetected )"); }

// Path panel
inline QString explorerBevelHint() { return QStringLiteral("| F12 key open explorer."); }
inline QString freeSpaceCaption() { return QStringLiteral("Free space on "); }
inline QString freeSpaceHint() { return QStringLiteral("| F12 Key open explorer ( Archive check )."); }
inline QString delHistoryCaption() { return QStringLiteral("-"); }
inline QString delHistoryHint() { return QStringLiteral("|Del history."); }
inline QString splitterHint() { return QStringLiteral("| Adjust combo size for easy long directory creation."); }
inline QString comboPathHint()
{
    return QStringLiteral("| Make Quickly a directory for your data. Press F12 to open with explorer. ");
}

// Check boxes and the quit button
inline QString automaticLaunchCaption() { return QStringLiteral("&Automatic launch "); }
inline QString automaticLaunchHint() { return QStringLiteral("|ACTIVE / DESACTIVE temporaly automatic launch."); }
inline QString ejectCaption() { return QStringLiteral("Disk &ejection "); }
inline QString autoCloseBoxCaption() { return QStringLiteral("Auto close"); }
inline QString quitCaption() { return QStringLiteral("ESC"); }

// Pop-up menu
inline QString menuQueries() { return QStringLiteral("Define / Delete / Modify Queries."); }
inline QString menuShowProcess() { return QStringLiteral("&Show Data Saving process"); }
inline QString menuRotatingSet() { return QStringLiteral("Rotating Floppy Disk Set"); }
inline QString menuPermanentPassword() { return QStringLiteral("&Permanent Zip Password / AutoClose"); }
inline QString menuAdmin() { return QStringLiteral("Personalization / Limitation(s)"); }
inline QString menuLog() { return QStringLiteral("LOG file report"); }
inline QString menuSaveLog() { return QStringLiteral("Save main events"); }
inline QString menuResetLog() { return QStringLiteral("Reset LOG file"); }
inline QString menuShowLog() { return QStringLiteral("Show LOG file"); }
inline QString menuAnimations() { return QStringLiteral("Show &ZIP animations."); }
inline QString menuHints() { return QStringLiteral("Show Hints."); }
inline QString menuAbout() { return QStringLiteral("About..."); }

// Query runs: labels, captions and information texts
inline QString queryFileLabel(const QString& fileName) { return QStringLiteral("Query file = ") + fileName; }
inline QString allQueriesDataPath() { return QStringLiteral("All Queries "); }
inline QString allQueriesTarget() { return QStringLiteral("Respective Archives"); }
inline QString dataSavingFinished() { return QStringLiteral("Data saving finished."); }
inline QString allQueriesEndCaption() { return QStringLiteral("ALL Data saving : End of process..."); }
inline QString allQueriesErrorCaption() { return QStringLiteral("ALL Data saving : Error(s)..."); }
inline QString filesInUseWarning() { return QStringLiteral(" WARNING...File(s) used by an other software."); }
inline QString identifyCorruptArchive() { return QStringLiteral("Press [ CTRL+S ] to identify corrupt data archive."); }
inline QString incompleteBackup() { return QStringLiteral("Incomplete backup."); }
inline QString runAnimation() { return QStringLiteral("ZipRun.gif"); }
inline QString errorAnimation() { return QStringLiteral("ZipErr.gif"); }

// Application search
inline QString applicationFoldersCaption() { return QStringLiteral("Directory(ies) holding the EXE file."); }
inline QString applicationSearchInfo() { return QStringLiteral("Application directory search."); }
inline QString applicationChooseInfo() { return QStringLiteral("Application directory choose."); }
inline QString applicationNotFound()
{
    return QStringLiteral("KESTRAVE do not find a path for this application.\r\rCheck if this application still on your "
                          "system.");
}
inline QString applicationSeveralFolders()
{
    return QStringLiteral("KESTRAVE find several paths for this application.\r\rChoose in the right box the valid "
                          "path.");
}
inline QString applicationFolderSelected(const QString& line)
{
    return line + QStringLiteral("\rAbove path selected. \r\rOk to continue, Esc to change.");
}

// Query run log lines
inline QString inclusionFilterLine(const QString& label) { return QStringLiteral("  Inclusion filter : ") + label; }
inline QString exclusionFilterLine(const QString& text) { return QStringLiteral("  Exclusion filter : ") + text; }
inline QString createDirOk(const QString& destination)
{
    return QStringLiteral(" Create new dir : ") + destination + QStringLiteral(" ---> OK ");
}
inline QString createDirFailed(const QString& destination)
{
    return QStringLiteral(" Create new dir : ") + destination + QStringLiteral(" ---> ERRORS !");
}
inline QString okMark() { return QStringLiteral(" ---> OK "); }
inline QString errorsMark() { return QStringLiteral(" ---> ERRORS !"); }

// Old archives
inline QString purgeSearchLine(int maxfile, const QString& folder, const QString& pattern)
{
    return QStringLiteral("-Search old archive file :  [ ") + QString::number(maxfile) + QStringLiteral(" , ") + folder
           + QStringLiteral(" , ") + pattern + QStringLiteral(" ] ");
}
inline QString purgeProcessLine(const QString& path)
{
    return QStringLiteral("Erase old archive : ") + path + QStringLiteral(" ---> OK ");
}
inline QString purgeLogOk(const QString& path) { return QStringLiteral(" Erasure of : ") + path + QStringLiteral(" ---> OK "); }
inline QString purgeLogFailed(const QString& path)
{
    return QStringLiteral(" Erasure of : ") + path + QStringLiteral(" ---> ERRORS !");
}
inline QString purgeNone() { return QStringLiteral("   No"); }
inline QString purgeForRoom()
{
    return QStringLiteral("-Not enough room for the new archive at the destination: old archive(s) erased first.");
}
inline QString purgeGivesNoRoom()
{
    return QStringLiteral("-Erasing old archives would not make room for the new archive: they are kept.");
}
inline QString copyFailedAfterPurge()
{
    return QStringLiteral("-The copy failed after old archive(s) were erased to make room for it.");
}
inline QString oldArchivesKept()
{
    return QStringLiteral("-The new archive is not on the destination: the old archives are kept.");
}

// Failed builds and the work folder
inline QString buildFailed(const QString& archiveName)
{
    return QStringLiteral("-Archive ") + archiveName
           + QStringLiteral(" NOT built: nothing is copied and the old archives are kept.");
}
inline QString waitingForWorkArchive(const QString& archiveName)
{
    return QStringLiteral("-Another run is building ") + archiveName
           + QStringLiteral(" in the work folder: waiting for it to end...");
}
inline QString workArchiveNotLocked(const QString& archiveName, const QString& reason)
{
    return QStringLiteral("-The work archive ") + archiveName + QStringLiteral(" could not be reserved for this run")
           + (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + QLatin1Char(')'))
           + QStringLiteral(": it is not built.");
}
inline QString passwordMissing()
{
    return QStringLiteral("-This query asks for a password and none was given (nobody to type it): the archive is "
                          "NOT built, to avoid an unprotected archive.");
}
inline QString permanentPasswordUnreadable()
{
    return QStringLiteral(" The permanent password cannot be deciphered on this computer.");
}

// Archive creation
inline QString defaultSfxCaption() { return QStringLiteral("KESTRAVE : archives restoration ."); }
inline QString dataSavingInProcess(const QString& label) { return label + QStringLiteral(" --> Data saving in process..."); }
inline QString compressionInfo() { return QStringLiteral("Compression / Update..."); }
inline QString endOfCompressionInfo() { return QStringLiteral("End of Compression. Copy on medium..."); }
inline QString archiveCreationLine(const QString& workFolder)
{
    return QStringLiteral("-Archive(s) Creation(s) in Sas_zip dir : ") + workFolder;
}
inline QString sfxConversionOk(const QString& fileName, qint64 size)
{
    return QStringLiteral("SFX Conversion : ") + fileName + QStringLiteral(" [") + QString::number(size)
           + QStringLiteral("] ") + QStringLiteral(" ---> OK ");
}

// Passwords
inline QString askArchivePassword() { return QStringLiteral("Do you want a password for this archive ?"); }
inline QString enterPassword() { return QStringLiteral("Enter your password :"); }
inline QString confirmPassword() { return QStringLiteral("Confirm your password :"); }
inline QString passwordsDiffer() { return QStringLiteral("Input different !! Password securisation canceled..."); }
inline QString passwordTypedLog() { return QStringLiteral(" Type of a password by user"); }
inline QString passwordAbandonLog() { return QStringLiteral(" Wrong password. Abandon..."); }

// Zip engine messages
inline QString zipErrorProcessLine(const QString& label) { return QStringLiteral(" ERROR ! with ") + label; }
inline QString nonexistentSuffix() { return QStringLiteral(" nonexistent"); }
inline QString archiveNotCreated() { return QStringLiteral("Archive NOT created."); }

// Statistics
inline QString statisticsHint(const QString& date, int files, int reduction, const QString& elapsed)
{
    return QStringLiteral("|Date : ") + date + QStringLiteral(" / ") + QString::number(files)
           + QStringLiteral(" Processed files") + QStringLiteral(" / ") + QStringLiteral("Reduction : ")
           + QString::number(reduction) + QStringLiteral("%") + QStringLiteral(" / ") + QStringLiteral("Time : ")
           + elapsed;
}
inline QString statisticsText(int files, int reduction, const QString& elapsed)
{
    return QStringLiteral("[ ") + QString::number(files) + QStringLiteral(" / ") + QString::number(reduction)
           + QStringLiteral("%") + QStringLiteral(" / ") + elapsed + QStringLiteral("]");
}

// End-of-run summary
inline QString endCaption() { return QStringLiteral("Data saving : End."); }
inline QString removableWarning() { return QStringLiteral("WARNING...Make a new data saving on REMOVABLE medium."); }
inline QString successSound() { return QStringLiteral("sonar.wav"); }
inline QString errorSound() { return QStringLiteral("error.wav"); }
inline QString dataSavingEnd(const QString& label) { return label + QStringLiteral(" --> Data Saving : End."); }
inline QString processSeparator() { return QString(122, QLatin1Char('-')); }
inline QString infoZipLine(const QString& statistics) { return QStringLiteral("   Info Zip : ") + statistics; }
inline QString dataSavingOkLog() { return QStringLiteral("-DATA saving finished : Ok"); }
inline QString failureCaption() { return QStringLiteral("Data saving : Failure or Warning message(s)"); }
inline QString errorsDetected() { return QStringLiteral("- Error(s) detected ! incomplete archive."); }
inline QString nothingnessTarget() { return QStringLiteral("The abysmal depths of nothingness..."); }
inline QString nonexistentArchive() { return QStringLiteral("- Error(s) detected ! nonexistent archive ! "); }
inline QString dataSavingFailedLog() { return QStringLiteral("-DATA Saving uncomplet : Error(s) detected"); }
inline QString prematureCancel() { return QStringLiteral("Premature cancel by user."); }

// Quitting during a compression
inline QString cancelCompressionQuestion() { return QStringLiteral("Cancel this compression process ?"); }
inline QString resetLogQuestion(int lines)
{
    return QStringLiteral("Do you wish to reset the log file ? ") + QString::number(lines);
}

// Command line (standard error)
inline QString unknownArgument(const QString& argument)
{
    return QStringLiteral("kestrave: \"") + argument
           + QStringLiteral("\" is not a valid argument: expected nothing, TOUS, a query number or the path of "
                            "a query file (.KSV).");
}

// Window commands
inline QString emptyWorkFolderQuestion() { return QStringLiteral("Really want to delete le sas_zip directory ?"); }
inline QString emptyWorkFolderLog() { return QStringLiteral(" Erasure of SAS archives directory on hard disk : "); }
inline QString createFolderQuestion(const QString& path)
{
    return QStringLiteral("[ ") + path + QStringLiteral(" ] ") + QStringLiteral("Create this directory ?");
}
inline QString openQueryEditorLog(const QString& command)
{
    return QStringLiteral("-Open Add/Modify query : \r  ") + command;
}
inline QString openExplorerLog(const QString& path) { return QStringLiteral("-Open explorer : ") + path; }
inline QString noFloppyDrive()
{
    return QStringLiteral("There is no drive A: on this computer: no floppy disk can be formatted.");
}
inline QString formatDiskOk() { return QStringLiteral("-Format a disk ---> OK "); }
inline QString formatDiskFailed() { return QStringLiteral("-Format a disk ---> ERRORS !"); }
inline QString automationActivated()
{
    return QStringLiteral("       Data saving automatisation ACTIVATED        \r\rFor a data saving to be automatically "
                          "runned, you must\rdefine automation parameters in Queries management form.");
}
inline QString automationInactivated() { return QStringLiteral("Data saving automation INACTIVATED"); }
// A companion program that is not installed beside kestrave.
inline QString companionMissing(const QString& executable, const QString& folder)
{
    return QStringLiteral("The program \"") + executable + QStringLiteral("\" is not installed in ") + folder
           + QStringLiteral(".\rThis command needs it; install it beside kestrave.");
}
inline QString companionMissingLog(const QString& command)
{
    return QStringLiteral("-Program not found : ") + command + QStringLiteral(" ---> ERRORS !");
}
inline QString companionFailedLog(const QString& command)
{
    return QStringLiteral("-Program could not start : ") + command + QStringLiteral(" ---> ERRORS !");
}
} // namespace ksv::RunnerTexts
