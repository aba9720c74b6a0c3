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

// Command line (standard error)
inline QString unknownArgument(const QString& argument)
{
    return QStringLiteral("kestrave: \"") + argument
           + QStringLiteral("\" is not a valid argument: expected nothing, TOUS, a query number or the path of "
                            "a query file (.KSV).");
}
} // namespace ksv::RunnerTexts
