#pragma once

#include <QString>

// The self-extractor's own texts, in one place.
namespace ksv::SfxTexts {

QString defaultCaption();
QString noArchive(const QString& program);
QString extractTo();
QString browse();
QString extract();
QString cancel();
QString files();
QString chooseFolder();
QString overwriteQuestion(const QString& file);
QString passwordPrompt();
QString success(int count, const QString& folder);
QString failures(int good, int total, const QString& details);
QString runCommand(const QString& command);
QString commandFailed(const QString& command);
QString cannotCreateFolder(const QString& folder);
QString nothingSelected();
QString usage();

} // namespace ksv::SfxTexts
