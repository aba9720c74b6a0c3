#include "CfgSFX.h"

#include "WidgetTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace T = ksv::WidgetTexts;

namespace {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

CfgSFX::CfgSFX(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CfgSFX"));
    setWindowTitle(T::sfxCaption());
    setModal(true);

    m_stitre = named(new QLineEdit(this), "EdSTitre");
    m_spath = named(new QComboBox(this), "ComboSPath");
    m_spath->setEditable(true);
    m_spath->addItems({QStringLiteral("C:\\"), ksv::TempDirUserText});
    m_sow = named(new QCheckBox(T::sfxOverwrite(), this), "CbSow");
    m_chglst = named(new QCheckBox(T::sfxLockList(), this), "CbChgLst");
    m_autorun = named(new QCheckBox(T::sfxAutorun(), this), "CbAutorun");
    m_endmsg = named(new QCheckBox(T::sfxEndMessage(), this), "CbEndMsg");
    m_msgsfx = named(new QCheckBox(T::sfxMessage(), this), "CbMsgSfx");
    m_iboxmsg = named(new QComboBox(this), "ComboIBoxMsg");
    m_iboxmsg->setEditable(true);
    m_iboxmsg->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    m_iboxmsg->setToolTip(T::sfxMessageKinds());
    m_smsg = named(new QLineEdit(this), "EdSMsg");
    m_runfile = named(new QCheckBox(T::sfxRunFile(), this), "CbRunFile");
    m_scmd = named(new QLineEdit(this), "EdSCmd");
    m_iconame = named(new QLineEdit(this), "EdIcoName");
    m_icoIndex = named(new QSpinBox(this), "SpinIcoIndex");
    m_icoIndex->setRange(0, 9999);

    auto* form = new QFormLayout;
    form->addRow(T::sfxTitle(), m_stitre);
    form->addRow(T::sfxFolder(), m_spath);
    form->addRow(QString(), m_sow);
    form->addRow(QString(), m_chglst);
    form->addRow(QString(), m_autorun);
    form->addRow(QString(), m_endmsg);
    form->addRow(QString(), m_msgsfx);
    form->addRow(T::sfxMessageKind(), m_iboxmsg);
    form->addRow(T::sfxMessageText(), m_smsg);
    form->addRow(QString(), m_runfile);
    form->addRow(T::sfxCommand(), m_scmd);
    form->addRow(T::sfxIcon(), m_iconame);
    form->addRow(T::sfxIconIndex(), m_icoIndex);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_msgsfx, &QCheckBox::toggled, this, &CfgSFX::updateEnabled);
    connect(m_runfile, &QCheckBox::toggled, this, &CfgSFX::updateEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setOptions(ksv::SfxOptions());
}

void CfgSFX::updateEnabled()
{
    m_iboxmsg->setEnabled(m_msgsfx->isChecked());
    m_smsg->setEnabled(m_msgsfx->isChecked());
    m_scmd->setEnabled(m_runfile->isChecked());
}

void CfgSFX::setOptions(const ksv::SfxOptions& o)
{
    m_chglst->setChecked(o.chglst);
    m_autorun->setChecked(o.autorun);
    m_msgsfx->setChecked(o.msgsfx);
    m_iboxmsg->setEditText(o.iboxmsg);
    m_smsg->setText(o.smsg);
    m_stitre->setText(o.stitre);
    m_iconame->setText(o.iconame);
    m_icoIndex->setValue(o.icoIndex);
    m_endmsg->setChecked(o.endmsg);
    m_spath->setEditText(o.spath);
    m_sow->setChecked(o.sow);
    m_scmd->setText(o.scmd);
    m_runfile->setChecked(o.runfile);
    updateEnabled();
}

ksv::SfxOptions CfgSFX::options() const
{
    ksv::SfxOptions o;
    o.chglst = m_chglst->isChecked();
    o.autorun = m_autorun->isChecked();
    o.msgsfx = m_msgsfx->isChecked();
    o.iboxmsg = m_iboxmsg->currentText();
    o.smsg = m_smsg->text();
    o.stitre = m_stitre->text();
    o.iconame = m_iconame->text();
    o.icoIndex = m_icoIndex->value();
    o.endmsg = m_endmsg->isChecked();
    o.spath = m_spath->currentText();
    o.sow = m_sow->isChecked();
    o.scmd = m_scmd->text();
    o.runfile = m_runfile->isChecked();
    return o;
}
