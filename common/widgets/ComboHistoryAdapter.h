#pragma once

#include "ComboHistory.h"

class QComboBox;

namespace ksv {

// Binds a QComboBox to a combo history (ksv::ComboModel): the package routines LoadCombo,
// SaveCombo, AddNewComboItem and FileComboWithDrives applied to a real combo box.
class ComboHistoryAdapter
{
public:
    static ComboModel modelOf(const QComboBox* combo);
    // Replaces the items and sets the edit text (editable combos) or the current item.
    static void apply(const ComboModel& model, QComboBox* combo);

    static void load(QComboBox* combo, const QString& ini, const QString& section, const QString& def = {});
    static bool save(const QComboBox* combo, const QString& ini, const QString& section);
    static void addCurrentText(QComboBox* combo);
    static void fillWithDrives(QComboBox* combo);
};

} // namespace ksv
