#pragma once

#include <QByteArray>
#include <QString>

namespace ksv {

struct CurrentQuery;

// What a query run shows in the main window. The window implements it; tests may implement it
// to watch a run without a window.
class RunView
{
public:
    virtual ~RunView() = default;

    virtual void setCaption(const QString& text) = 0;
    virtual void setApplicationTitle(const QString& text) = 0;
    virtual void setDataPath(const QString& text) = 0;      // LbFileRep2Sav
    virtual void setDataPathHint(const QString& hint) = 0;  // hint of Lb3dRep
    virtual void setTarget(const QString& text) = 0;        // LbFileDest
    virtual void setInfo(const QString& text) = 0;          // LabelInfo
    virtual void setFinalInfos(const QString& text) = 0;    // Lb3dFinalInfos
    virtual void setZippedFile(const QString& text) = 0;    // LbFileBgZipd
    virtual void setFileCount(const QString& text) = 0;     // LbFileNbProcess
    virtual void showFileCount(bool visible) = 0;
    virtual void setProgress(int percent) = 0;              // ProgressBar1, 0..100
    virtual void showProgress(bool visible) = 0;
    virtual void setErrorListCaption(const QString& text) = 0; // LbError

    virtual void addErrorLine(const QString& line) = 0;     // ListBox1
    virtual void clearErrorList() = 0;
    virtual int errorCount() const = 0;
    virtual void addInUseLine(const QString& line) = 0;     // ListBox2
    virtual int inUseCount() const = 0;
    virtual void addProcessLine(const QString& line) = 0;   // ListBox3

    virtual void appendLog(const QString& text) = 0;

    // The loaded query's options go into the hidden check boxes and the fields they feed.
    virtual void showQuery(const CurrentQuery& query) = 0;
    // The destination is shown in the path combo and the free-space label is refreshed.
    virtual void showDestination(const QString& destination) = 0;
    virtual void refreshFreeSpace() = 0;
    virtual void setExploHint(const QString& hint) = 0;     // hint of Lb3dExplo
    // Loads the self-extractor icon (icon file, image number) into the hidden image Image2 and
    // returns it as the bytes of a picture file (empty: none).
    virtual QByteArray sfxIcon(const QString& iconFile, int index) = 0;

    virtual void showWindow() = 0;                          // unless started minimised
    virtual void pointAtDataPath() = 0;                     // PutMouseOnControl(Lb3dRep)
    virtual void nudgeMouse() = 0;                          // keeps the screen saver away
    virtual void animation(const QString& fileName, bool on) = 0; // GifImageShow
    virtual void showErrorAnimation() = 0;                  // "ZipErr.gif", looping
    virtual void clearAutoClose() = 0;                      // untick "Auto close"
    virtual void widen() = 0;                               // the large width
    virtual void processEvents() = 0;

    // The program is ending (quit during a run): loops stop.
    virtual bool endRequested() const = 0;

    // Cuts a copy of the work archive onto disks with the cutting window, offering the current
    // destination; returns the destination chosen there (empty: unchanged).
    virtual QString spanFile(const QString& archiveCopy, const QString& destination) = 0;
};

} // namespace ksv
