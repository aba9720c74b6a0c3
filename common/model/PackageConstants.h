#pragma once

#include <QString>

// Names every program of the suite shares.
namespace ksv {

inline const QString LogFileName = QStringLiteral("kestrave.log");
inline const QString NameRepSauvegarde = QStringLiteral("Kestrave backups"); // Start-menu sub-folder
inline const QString IconeDefautN = QStringLiteral("default.ico");
inline const QString NameZipFileDefault = QStringLiteral("NoName.zip");

} // namespace ksv
