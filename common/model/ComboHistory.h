#pragma once

#include <QString>
#include <QStringList>

// Combo-box histories kept in the settings file: section [<history name>] with the items as
// "n0", "n1", ... (most recent first) and the current text as "last". The model is a plain list
// plus the current text; the windows bind it to their combo boxes (ksv::ComboHistoryAdapter).
namespace ksv {

struct ComboModel
{
    QStringList items;
    QString text;
};

// Most items a history keeps; older ones are dropped when a new one is added.
inline constexpr int ComboHistoryMaxItems = 30;

// Loads history Sect of the settings file Ini (DOS or native path) into C. Items are read from
// "n0" up to the first missing or empty key; the text is "last", else the first item. When the
// history is empty, Def (when not empty) becomes the only item and the text.
void LoadCombo(ComboModel& C, const QString& Ini, const QString& Sect, const QString& Def = {});
// Writes C as history Sect: the section is replaced whole in one atomic write.
bool SaveCombo(const ComboModel& C, const QString& Ini, const QString& Sect);
// Puts the current text at the top of the items once (an existing equal item, compared without
// regard to case, moves up); an empty text is not added.
void AddNewComboItem(ComboModel& C);
// The items become the roots of the drives ("A:\", "C:\", ...) in letter order; the text stays.
void FileComboWithDrives(ComboModel& C);

} // namespace ksv
