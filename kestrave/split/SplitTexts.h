#pragma once

#include <QString>

// The texts of the cutting window and of the restore window, in one place.
namespace ksv::SplitTexts {

// Shared by both windows.
inline QString informationsGroup() { return QStringLiteral(" Informations "); }
inline QString browseButton() { return QStringLiteral("..."); }
inline QString delHistoryButton() { return QStringLiteral("-"); }
inline QString delHistoryHint() { return QStringLiteral("|Del history."); }
inline QString copyOnMediumWait() { return QStringLiteral("- Copy on medium...Wait "); }
inline QString endOfCopyProcess() { return QStringLiteral("- End of copy process."); }
inline QString errorCopyOnMedium() { return QStringLiteral("Error copy on medium."); }
inline QString stopQuestion() { return QStringLiteral("Do you want to stop the split process ?"); }
inline QString openDialogCaption() { return QStringLiteral("Open"); }
inline QString noMediumInsertion() { return QStringLiteral(" Cancel : no medium insertion"); }
// "( N°: n )"
inline QString diskTag(int piece) { return QStringLiteral("( N°: ") + QString::number(piece) + QStringLiteral(" )"); }

// The cutting window.
inline QString cutCaption() { return QStringLiteral("Cutting out files"); }
inline QString chooseFileToCut() { return QStringLiteral("Choose a file to cut."); }
inline QString fileToCutGroup() { return QStringLiteral(" 1. File to cut : "); }
inline QString browseHint() { return QStringLiteral("Browse"); }
inline QString sizeGroup() { return QStringLiteral(" 2. Maximum size of packages : "); }
inline QString sizeItemFloppy() { return QStringLiteral("1,44 Mo    "); }
inline QString sizeItemFree() { return QStringLiteral("99999 Ko"); }
inline QString freeSizeInitial() { return QStringLiteral("   720"); }
inline QString sizeGroupHint()
{
    return QStringLiteral("MAXIMUM split size. The size of final splitted files\rmay be inferior in order to optimize the segmentation.");
}
inline QString destinationGroup() { return QStringLiteral(" 3. Destination Unit/Path : "); }
inline QString destinationGroupHint() { return QStringLiteral("Store spanned files"); }
inline QString cutButton() { return QStringLiteral("Cut"); }
inline QString cancelButton() { return QStringLiteral("Cancel"); }
inline QString copySetupBox() { return QStringLiteral("Copy SETUP.EXE on Disk N°1 ."); }
inline QString copySetupHint() { return QStringLiteral("To restore WITHOUT KESTRAVE."); }
inline QString closeAfterCut() { return QStringLiteral("Close form after process"); }
inline QString cutHeldByCancelledPrompt()
{
    return QStringLiteral("The cut did not start: a disk prompt was cancelled before.\rClick Cut again to start it.");
}
inline QString cuttingOut() { return QStringLiteral("Cutting out : "); }
inline QString percentSign() { return QStringLiteral("%"); }
inline QString percentSuffix() { return QStringLiteral(" %"); }
inline QString estimateUnknown() { return QStringLiteral("XX"); }
// "[ name ] will be distributed on n file(s)"
inline QString estimate(const QString& fileName, const QString& pieces)
{
    return QStringLiteral("[ ") + fileName + QStringLiteral(" ] ") + QStringLiteral("will be distributed on ") + pieces
           + QStringLiteral(" file(s)");
}
inline QString splitUnuseful() { return QStringLiteral("Split unuseful or file does not exist !"); }
inline QString insertFormattedDisk() { return QStringLiteral("Insert a formatted disk."); }
inline QString thenClickOk() { return QStringLiteral("then click Ok to continue"); }
inline QString firstDiskPrompt() { return insertFormattedDisk() + QStringLiteral("\r") + thenClickOk(); }
inline QString nextDiskPrompt(const QString& tag) { return insertFormattedDisk() + tag + QStringLiteral("\r") + thenClickOk(); }
inline QString eraseFloppyQuestion() { return QStringLiteral("Delete file(s) on this 1.44 Mo floppy disk ?"); }
inline QString erasureOk() { return QStringLiteral(" Erasure of old file(s) on disk ---> OK "); }
inline QString erasureFailed() { return QStringLiteral(" Erasure of old file(s) on disk ---> ERRORS !"); }
inline QString segmentationOk() { return QStringLiteral("-Segmentation on several disk ---> OK  File number : "); }
inline QString segmentationFailed() { return QStringLiteral("-Segmentation on several disk ---> ERRORS !"); }
inline QString splitRejected() { return QStringLiteral("Split rejection or cancel by user."); }
inline QString setupProgramName() { return QStringLiteral("SETUP.EXE"); }
inline QString cutHistory() { return QStringLiteral("cutdir"); }

// The restore window.
inline QString restoreCaption() { return QStringLiteral("Splitted file(s) restoration"); }
inline QString selectFirstPart() { return QStringLiteral("Select first part 001"); }
inline QString chooseFirstPartGroup() { return QStringLiteral("1° Choose the first part of your file : "); }
inline QString firstPartFolderHint() { return QStringLiteral("Localisation of 001 file"); }
inline QString detectedPiecesHint() { return QStringLiteral("Detected *.001 file list."); }
inline QString browseDotsHint() { return QStringLiteral("Browse..."); }
inline QString firstPartFilter() { return QStringLiteral("First part of file|*.001"); }
inline QString firstPartInitialFolder() { return QStringLiteral("C:\\"); }
inline QString nameOfFirstPart() { return QStringLiteral("+  Name of first part 001 "); }
inline QString restoreDestinationGroup() { return QStringLiteral(" 2. Restoration Unit / Path : "); }
inline QString restoreDestinationInitial() { return QStringLiteral("C:\\"); }
inline QString restoreButton() { return QStringLiteral("Restore"); }
inline QString quitButton() { return QStringLiteral("Quit"); }
inline QString autoCloseAfterRestore() { return QStringLiteral("AutoClose after restitution."); }
inline QString runAfterRestore() { return QStringLiteral("Run the file after restitution."); }
inline QString restorationPercent() { return QStringLiteral("Restoration % "); }
inline QString restoringPercent(int percent)
{
    return QStringLiteral(" Restoring = ") + QString::number(percent) + QStringLiteral(" %");
}
inline QString yourSelection() { return QStringLiteral("Your selection --> "); }
inline QString restorationOk() { return QStringLiteral("-Splitted files restoration ---> OK "); }
inline QString restorationFailed() { return QStringLiteral("-Splitted files restoration ---> ERRORS !"); }
inline QString openRestoredQuestion(const QString& target)
{
    return QStringLiteral("[ ") + target + QStringLiteral(" ] ")
           + QStringLiteral(" is restored. Open this archive now ?\r\rESC key to quit KESTRAVE.");
}
inline QString runLine(const QString& path) { return QStringLiteral(" Run : ") + path; }
inline QString insertNextDisk(const QString& tag)
{
    return QStringLiteral("Insert next disk ") + tag + QStringLiteral("\r") + thenClickOk();
}
inline QString firstPiecePattern() { return QStringLiteral("*.001"); }
inline QString firstPieceHistory() { return QStringLiteral("001dir"); }
inline QString restoreHistory() { return QStringLiteral("restoredir"); }

} // namespace ksv::SplitTexts
