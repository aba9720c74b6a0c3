#pragma once

#include <QString>

#include <functional>

namespace ksv {

// What the runner's window offers the medium check and the copy step. Every callback may be
// empty (tests set only what they read).
struct MediumCopyHost
{
    std::function<void(const QString& line)> appendLog;       // the main window's log (memolog)
    std::function<void(const QString& line)> addErrorLine;    // the error list ListBox1
    std::function<void(const QString& line)> addProcessLine;  // the process list ListBox3
    std::function<void(const QString& text)> setCaption;      // window caption
    std::function<void(const QString& text)> setInfo;         // LabelInfo
    std::function<void(const QString& text)> setFinalInfos;   // Lb3dFinalInfos
    std::function<void(const QString& text)> setExploHint;    // hint of the free-space label Lb3dExplo
    // The destination changed (shown in ComboPath, free-space label refreshed).
    std::function<void(const QString& destination)> destinationChanged;
    // The zip engine's copy operation: 0, -1, -2, -3, -9 as ZipMaster::CopyFile.
    std::function<int(const QString& sourceDos, const QString& targetDos)> copyFile;
    // Cuts a file over several disks (the cutting window). Receives the copy of the work
    // archive made for the cut (DOS path, empty when there is nothing to cut) and the current
    // destination; shows the window modally and returns the text of its destination combo, or
    // an empty string to keep the destination. See SpanWindow.h for the window's side.
    std::function<QString(const QString& sourceDos, const QString& destinationDos)> spanFile;
    // Lets the window process pending events during pauses and prompts.
    std::function<void()> processEvents;
};

// The medium check before an archive is built and the copy to the destination after it, with
// the volume-label write history, the weekday disk set and the four ways out when the archive
// does not fit. Paths are in the system's DOS form.
class MediumCopy
{
public:
    explicit MediumCopy(MediumCopyHost host);

    // The weekday disk set ([general] DskTurnGame).
    bool rotatingSet = false;

    // The medium check: does nothing unless the destination's drive is removable. May switch
    // the destination to "C:\" (the prompt was cancelled).
    void VerifPresenceDskSinonDD(QString& destination);

    // Copies the work archive to the target path. Destination and target path may change
    // (Cancel in the four-options dialog moves them to drive C; the cutting window may choose
    // another destination). Returns the copy result (0 success, the engine's codes otherwise;
    // 1 when the copy was abandoned or handed to the cutting window).
    int CopieSupport(const QString& workArchive, QString& destination, QString& targetPath);

    // Cuts the work archive over several disks with the cutting window (also the F7 key):
    // copies it to "C:\" + the target's file name, hands that copy to MediumCopyHost::spanFile,
    // takes the destination chosen in the window, deletes the copy and makes the target path the
    // new destination + the target's file name. With no work archive (F7 before any run) the
    // window opens without a copy.
    void SpanFile(const QString& workArchive, QString& destination, QString& targetPath);

    // The text of a copy result (empty for 0 and for unknown results).
    static QString copyResultText(int result, const QString& workArchive, const QString& targetPath);
    // Today's weekday number, 1 = Sunday .. 7 = Saturday (the clock of the platform).
    static int todayWeekday();
    // True when the drive of the path's first letter is a removable drive.
    static bool isRemovableDestination(const QString& destination);

    // Upper bounds on repeated questions, so that a run nobody answers always ends: after this
    // many disk prompts the check acts as if the last one had been cancelled, after this many
    // four-options dialogs of a scripted or unattended run the copy is abandoned (a person at
    // the window may retry without end).
    static constexpr int MaxDiskPrompts = 20;
    static constexpr int MaxFourOptionRounds = 10;

    // The write-count hint of a drive root ("3 writing on this unit."), empty when the drive is
    // not removable or its label carries no history.
    static QString VolumeWritesHint(const QString& root);
    // The write test: creates and deletes letter + ":\a.dat". True when the medium refuses it.
    static bool IsDiskReadOnly(QChar letter);

    // The medium's label history: label read, next label, write count, medium's weekday.
    struct VolumeLabelInfo
    {
        QString label;
        QString nextLabel;
        int writeCount = 0;
        int weekday = 0; // 1 = Sunday .. 7 = Saturday
    };
    VolumeLabelInfo ReadVolLabel(const QString& root) const;
    // The values of the last medium check (or of the last label written).
    const VolumeLabelInfo& lastLabel() const { return m_label; }

private:
    enum class Prompt { Again, Cancelled };
    // The check itself: true when the medium passes, else the prompt's answer.
    bool mediumPasses(QChar letter);
    // Shows the disk prompt. OK waits 200 ms and asks for another round; Cancel moves the
    // destination to "C:\".
    Prompt AskForDisk(QString& destination);
    void moveToDriveC(QString& destination);
    int copyToTarget(const QString& workArchive, const QString& destination, const QString& targetPath);
    void log(const QString& line) const;

    MediumCopyHost m_host;
    VolumeLabelInfo m_label;
};

} // namespace ksv
