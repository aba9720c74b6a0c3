#include "TForm1RunView.h"

#include "CurrentQuery.h"
#include "CustomIcon.h"
#include "RunnerTexts.h"
#include "TForm1.h"
#include "SpanWindow.h"
#include "widgets/BlinkingLabel.h"
#include "widgets/PathLabel.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QThread>
#include <QWidget>

namespace ksv {

TForm1RunView::TForm1RunView(TForm1& form, TForm1Controls& ui) : m_form(form), m_ui(ui) {}

void TForm1RunView::setCaption(const QString& text)
{
    m_form.setWindowTitle(text);
}

void TForm1RunView::setApplicationTitle(const QString& text)
{
    // The task-bar text is the main window's own: the application's display name stays the
    // program's name, which every other window's and message box's title carries.
    m_form.setWindowIconText(text);
}

void TForm1RunView::setDataPath(const QString& text)
{
    m_ui.LbFileRep2Sav->setText(text);
}

void TForm1RunView::setDataPathHint(const QString& hint)
{
    setHint(m_ui.Lb3dRep, hint);
}

void TForm1RunView::setTarget(const QString& text)
{
    m_ui.LbFileDest->setText(text);
}

void TForm1RunView::setInfo(const QString& text)
{
    m_ui.LabelInfo->setText(text);
}

void TForm1RunView::setFinalInfos(const QString& text)
{
    m_ui.Lb3dFinalInfos->setText(text);
}

void TForm1RunView::setZippedFile(const QString& text)
{
    m_ui.LbFileBgZipd->setText(text);
}

void TForm1RunView::setFileCount(const QString& text)
{
    m_ui.LbFileNbProcess->setText(text);
}

void TForm1RunView::showFileCount(bool visible)
{
    m_ui.LbFileNbProcess->setVisible(visible);
}

void TForm1RunView::setProgress(int percent)
{
    m_ui.ProgressBar1->setValue(percent);
}

void TForm1RunView::showProgress(bool visible)
{
    m_ui.ProgressBar1->setVisible(visible);
}

void TForm1RunView::setErrorListCaption(const QString& text)
{
    m_ui.LbError->setText(text);
}

void TForm1RunView::addErrorLine(const QString& line)
{
    m_ui.ListBox1->addItem(line);
}

void TForm1RunView::clearErrorList()
{
    m_ui.ListBox1->clear();
}

int TForm1RunView::errorCount() const
{
    return m_ui.ListBox1->count();
}

void TForm1RunView::addInUseLine(const QString& line)
{
    m_ui.ListBox2->addItem(line);
}

int TForm1RunView::inUseCount() const
{
    return m_ui.ListBox2->count();
}

void TForm1RunView::addProcessLine(const QString& line)
{
    m_ui.ListBox3->addItem(line);
}

void TForm1RunView::appendLog(const QString& text)
{
    m_form.addLogLine(text);
}

void TForm1RunView::showQuery(const CurrentQuery& query)
{
    const Query& q = query.options;
    m_ui.CBExe->setChecked(q.sfx);
    m_ui.CbSubDir->setChecked(q.subdir);
    m_ui.CbPath->setChecked(q.storepath);
    m_ui.CBPassWord->setChecked(q.pass);
    m_ui.CbUpdateZip->setChecked(q.update);
    m_ui.CBDatePrefix->setChecked(q.date);
    m_ui.CbEject->setChecked(q.eject);
    m_ui.CbQuitOS->setChecked(q.qw95);
    m_ui.CbAutoClose->setChecked(q.autoclose);
    m_ui.CbAutoRun->setChecked(q.autorun);
    m_ui.CbAskFiles->setChecked(q.chglst);
    m_ui.CbSFXMsg->setChecked(q.msgsfx);
    m_ui.CbSuccesMsg->setChecked(q.endmsg);
    m_ui.edTypeboiteInt->setText(QString::number(q.iboxmsg));
    m_ui.EdMsgSfx->setText(q.smsg);
}

void TForm1RunView::showDestination(const QString& destination)
{
    m_ui.ComboPath->setCurrentText(destination);
    m_form.UpdateLbExplo();
    const QString text = m_ui.ComboPath->currentText();
    if (QLineEdit* edit = m_ui.ComboPath->lineEdit())
        edit->setCursorPosition(text.contains(QLatin1String(":\\")) && text.size() < 4 ? int(text.size()) : 1);
}

void TForm1RunView::refreshFreeSpace()
{
    m_form.UpdateLbExplo();
}

void TForm1RunView::setExploHint(const QString& hint)
{
    setHint(m_ui.Lb3dExplo, hint);
}

QByteArray TForm1RunView::sfxIcon(const QString& iconFile, int index)
{
    LoadCustomIcon(iconFile, index, m_ui.Image2);
    const QImage image = LoadCustomIcon(iconFile, index);
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void TForm1RunView::showWindow()
{
    m_form.showForRun();
}

void TForm1RunView::pointAtDataPath()
{
    // PutMouseOnControl: the pointer on the control's centre, so its hint (the comment) shows.
    QWidget* control = m_ui.Lb3dRep;
    if (control->isVisible())
        QCursor::setPos(control->mapToGlobal(QPoint(control->width() / 2, control->height() / 2)));
}

void TForm1RunView::nudgeMouse()
{
    // A relative move and back keeps the screen saver and power saving from starting.
    const QPoint at = QCursor::pos();
    QCursor::setPos(at + QPoint(0, 8));
    QThread::msleep(50);
    QCursor::setPos(at);
}

void TForm1RunView::animation(const QString& fileName, bool on)
{
    m_form.GifImageShow(fileName, on);
}

void TForm1RunView::showErrorAnimation()
{
    m_form.showErrorAnimation();
}

void TForm1RunView::clearAutoClose()
{
    m_ui.CbAutoClose->setChecked(false);
}

void TForm1RunView::widen()
{
    m_form.showLarge();
}

void TForm1RunView::processEvents()
{
    QCoreApplication::processEvents();
}

bool TForm1RunView::endRequested() const
{
    return m_form.endRequested();
}

QString TForm1RunView::spanFile(const QString& archiveCopy, const QString& destination)
{
    // The cutting window; in a scripted or unattended run it cuts by itself and closes.
    return showSpanWindow(m_form.runnerContext(), archiveCopy, destination, &m_form);
}

} // namespace ksv
