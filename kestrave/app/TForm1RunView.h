#pragma once

#include "RunView.h"

namespace ksv {

class TForm1;
struct TForm1Controls;

// Shows a query run in the main window: the run's texts go into the labels, lists and caption,
// the query's options into the hidden check boxes.
class TForm1RunView : public RunView
{
public:
    TForm1RunView(TForm1& form, TForm1Controls& ui);

    void setCaption(const QString& text) override;
    void setApplicationTitle(const QString& text) override;
    void setDataPath(const QString& text) override;
    void setDataPathHint(const QString& hint) override;
    void setTarget(const QString& text) override;
    void setInfo(const QString& text) override;
    void setFinalInfos(const QString& text) override;
    void setZippedFile(const QString& text) override;
    void setFileCount(const QString& text) override;
    void showFileCount(bool visible) override;
    void setProgress(int percent) override;
    void showProgress(bool visible) override;
    void setErrorListCaption(const QString& text) override;
    void addErrorLine(const QString& line) override;
    void clearErrorList() override;
    int errorCount() const override;
    void addInUseLine(const QString& line) override;
    int inUseCount() const override;
    void addProcessLine(const QString& line) override;
    void appendLog(const QString& text) override;
    void showQuery(const CurrentQuery& query) override;
    void showDestination(const QString& destination) override;
    void refreshFreeSpace() override;
    void setExploHint(const QString& hint) override;
    QByteArray sfxIcon(const QString& iconFile, int index) override;
    void showWindow() override;
    void pointAtDataPath() override;
    void nudgeMouse() override;
    void animation(const QString& fileName, bool on) override;
    void showErrorAnimation() override;
    void clearAutoClose() override;
    void widen() override;
    void processEvents() override;
    bool endRequested() const override;
    QString spanFile(const QString& archiveCopy, const QString& destination) override;

private:
    TForm1& m_form;
    TForm1Controls& m_ui;
};

} // namespace ksv
