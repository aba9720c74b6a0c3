#include "ComboHistoryAdapter.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace ksv {

ComboModel ComboHistoryAdapter::modelOf(const QComboBox* combo)
{
    ComboModel model;
    for (int i = 0; i < combo->count(); ++i)
        model.items.append(combo->itemText(i));
    model.text = combo->currentText();
    return model;
}

void ComboHistoryAdapter::apply(const ComboModel& model, QComboBox* combo)
{
    {
        // Refilling must not report the intermediate states as the user's changes.
        const QSignalBlocker blocker(combo);
        combo->clear();
        combo->addItems(model.items);
    }
    if (combo->isEditable()) {
        combo->setEditText(model.text);
    } else {
        const int index = combo->findText(model.text, Qt::MatchFixedString);
        combo->setCurrentIndex(index >= 0 ? index : (combo->count() > 0 ? 0 : -1));
    }
}

void ComboHistoryAdapter::load(QComboBox* combo, const QString& ini, const QString& section,
                               const QString& def)
{
    ComboModel model;
    LoadCombo(model, ini, section, def);
    apply(model, combo);
}

bool ComboHistoryAdapter::save(const QComboBox* combo, const QString& ini, const QString& section)
{
    return SaveCombo(modelOf(combo), ini, section);
}

void ComboHistoryAdapter::addCurrentText(QComboBox* combo)
{
    ComboModel model = modelOf(combo);
    AddNewComboItem(model);
    apply(model, combo);
}

void ComboHistoryAdapter::fillWithDrives(QComboBox* combo)
{
    ComboModel model = modelOf(combo);
    FileComboWithDrives(model);
    apply(model, combo);
}

} // namespace ksv
