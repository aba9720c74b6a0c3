#pragma once

#include <QString>

#include <functional>

namespace ksv::FreeSpaceCaption {

// "( " + megabytes rounded to the nearest whole number + " Mo )"; empty for a negative answer
// (no medium, no such drive).
QString sizeText(qint64 freeBytes);

// The free-space label's caption for the path combo's text: "Free space on " + the first three
// characters + " " + the size text when the text is longer than 1 character; instead
// "Occupy (" + the size of the folder's files + ")" when it is longer than 4 characters;
// otherwise the previous caption stays. folderBytes is asked only for the "Occupy" form.
QString caption(const QString& comboText, const QString& previous, qint64 freeBytes,
                const std::function<qint64()>& folderBytes);

} // namespace ksv::FreeSpaceCaption
