#pragma once

#include "CurrentQuery.h"
#include "RunnerPaths.h"
#include "ZipMaster.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

namespace ksv {

class IniFile;
class RunView;
struct MediumCopyHost;
struct RunState;

// Runs queries from end to end: loads a numbered query or a query file into the run state,
// builds the include and exclude lists, finds a query file's application folder, runs its
// preparation program, and drives each archive (medium check, names, the archive itself with
// its password and self-extracting form, statistics, copy to the destination and purge of old
// archives) and the summary. A failed build is never copied and never costs an old archive. The window shows it through RunView; nothing here is a widget.
class QueryRunner : public QObject
{
    Q_OBJECT
public:
    // argument: the first command-line argument (decides whether entries are added one by one).
    QueryRunner(RunView& view, RunState& state, IniFile& settings, const RunnerPaths& paths, QString argument,
                QObject* parent = nullptr);
    ~QueryRunner() override;

    // The entry routines, after the settings loader. Each ends with the summary; the window
    // then starts the auto-close timer.
    void OneRequete(const QString& section);
    void AllArchives();
    void FichierKsv(const QString& argument);

    // Loads numbered query `section` into the run state.
    void LoadSetNbSection(const QString& section);
    // One archive for the loaded query.
    void GoForZip();
    void Zippage();
    void ZippageForKsvFiles();
    void AskPassword();
    // Statistics of the archive just built: returns the statistics text and sets the hint of
    // the data-path caption.
    QString RatioFilesStatusBar();
    void InfosErreurs();
    void InfosPASErreurs();
    void InfosDES_Erreurs();
    void FindExePatchAllDrive();
    // Who picks among several application folders. ByEnvironment: nobody when the questions are
    // answered from a script or unattended (the last folder found stays), else the person at the
    // window, who clicks a line of the error list. Person: always waits for that click.
    enum class ChoiceDriver { Person, ByEnvironment };
    static void setApplicationChoiceDriver(ChoiceDriver driver);
    // The cutting window with the current archive (key F7 after a run).
    void SpanFile();

    // A click on a line of the error list during a query-file run: makes the line the
    // application folder and asks to confirm it (OK sets the path-chosen flag, Cancel clears
    // it). False for other runs.
    bool chooseApplicationFolder(const QString& line);
    bool awaitingApplicationChoice() const { return m_awaitingChoice; }

    // The zip component's events.
    void ZipMaster1Progress(int kind, const QString& fileName, qint64 size);
    void ZipMaster1Message(int code, const QString& message);

    ZipMaster& zip() { return m_zip; }
    const CurrentQuery& query() const { return m_query; }
    CurrentQuery& query() { return m_query; }

    // Paths of the current archive (DOS form where a drive holds them).
    QString workArchive() const { return m_workArchive; }
    QString workTwin() const { return m_workTwin; }
    QString targetPath() const { return m_targetPath; }
    QString workFolder() const { return m_workFolder; }
    bool removableDestination() const { return m_removable; }
    int lastZipError() const { return m_lastZipError; }
    int filesProcessed() const { return m_filesProcessed; }
    QString statisticsText() const { return m_statistics; }
    bool allQueriesRun() const { return m_allRun; }

    // Label repaints from progress events are spaced by at least this many milliseconds.
    static constexpr int RepaintIntervalMs = 50;

private:
    void fillIncludeList();
    // False when the folder cannot be entered (missing, or not mapped to a drive).
    bool setCurrentFolder(const QString& dosFolder);
    void log(const QString& line);
    void letEventsRun();
    int copyToDestination();
    // The copy to the destination with the purge of old archives around it.
    void copyAndPurge(const QString& destination);
    MediumCopyHost copyHost();
    void refreshProgressLabels(bool force);
    void applyQueryToZip(bool addUpdate);
    int addOnce();
    QString nativeOfFile(const QString& fileName);

    RunView& m_view;
    RunState& m_state;
    IniFile& m_settings;
    RunnerPaths m_paths;
    QString m_argument;
    QString m_workFolder;
    ZipMaster m_zip;
    CurrentQuery m_query;
    std::unique_ptr<IniFile> m_queryFile;

    bool m_allRun = false;
    bool m_removable = false;
    bool m_passwordOn = false;
    bool m_awaitingChoice = false;
    // The archive of the current query was built (or updated) and converted in full.
    bool m_buildOk = false;
    QString m_workArchive;
    QString m_workTwin;
    QString m_targetPath;

    // Counters of the current archive.
    int m_fileCounter = 0;
    int m_totalFiles = 0;
    qint64 m_totalSize = 0;
    qint64 m_doneSize = 0;
    int m_filesProcessed = 0;
    qint64 m_startTick = 0;
    qint64 m_endTick = 0;
    int m_lastZipError = 0;
    QString m_statistics;
    QString m_currentFile;
    QString m_lastFolderDos;
    QString m_lastFolderNative;
    bool m_labelsDirty = false;
    QElapsedTimer m_repaintClock;
    QElapsedTimer m_eventsClock;
};

} // namespace ksv
