#pragma once

#include "SfxOptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// The package's self-extractor options dialog: the 13 values of ksv::SfxOptions.
class CfgSFX : public QDialog
{
    Q_OBJECT
public:
    explicit CfgSFX(QWidget* parent = nullptr);

    void setOptions(const ksv::SfxOptions& options);
    // The values as the controls hold them.
    ksv::SfxOptions options() const;

private:
    void updateEnabled();

    QCheckBox* m_chglst = nullptr;
    QCheckBox* m_autorun = nullptr;
    QCheckBox* m_msgsfx = nullptr;
    QComboBox* m_iboxmsg = nullptr;
    QLineEdit* m_smsg = nullptr;
    QLineEdit* m_stitre = nullptr;
    QLineEdit* m_iconame = nullptr;
    QSpinBox* m_icoIndex = nullptr;
    QCheckBox* m_endmsg = nullptr;
    QComboBox* m_spath = nullptr;
    QCheckBox* m_sow = nullptr;
    QCheckBox* m_runfile = nullptr;
    QLineEdit* m_scmd = nullptr;
};
