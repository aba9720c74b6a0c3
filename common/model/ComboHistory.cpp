#include "ComboHistory.h"

#include "Drives.h"
#include "IniDocument.h"
#include "IniFile.h"
#include "NativePath.h"
#include "SettingsKeys.h"

#include <algorithm>

namespace ksv {

namespace H = SettingsKeys::history;

namespace {

QString itemKey(int i)
{
    return H::itemPrefix + QString::number(i);
}

} // namespace

void LoadCombo(ComboModel& C, const QString& Ini, const QString& Sect, const QString& Def)
{
    const IniDocument doc = IniDocument::fromFile(NativePath::of(Ini));
    C.items.clear();
    for (int i = 0;; ++i) {
        QString value;
        if (!doc.value(Sect, itemKey(i), &value) || value.isEmpty())
            break;
        if (!C.items.contains(value, Qt::CaseInsensitive))
            C.items.append(value);
    }
    QString last;
    if (doc.value(Sect, H::last, &last) && !last.isEmpty())
        C.text = last;
    else
        C.text = C.items.isEmpty() ? QString() : C.items.first();
    if (C.items.isEmpty() && !Def.isEmpty()) {
        C.items.append(Def);
        if (C.text.isEmpty())
            C.text = Def;
    }
}

bool SaveCombo(const ComboModel& C, const QString& Ini, const QString& Sect)
{
    IniFile ini(NativePath::of(Ini));
    return ini.update([&](IniDocument& doc) {
        doc.removeSection(Sect);
        int i = 0;
        for (const QString& item : C.items) {
            if (item.isEmpty() || i >= ComboHistoryMaxItems)
                continue;
            doc.setValue(Sect, itemKey(i++), item);
        }
        doc.setValue(Sect, H::last, C.text);
    });
}

void AddNewComboItem(ComboModel& C)
{
    const QString text = C.text.trimmed();
    if (text.isEmpty())
        return;
    C.items.removeIf([&](const QString& item) { return item.compare(text, Qt::CaseInsensitive) == 0; });
    C.items.prepend(text);
    while (C.items.size() > ComboHistoryMaxItems)
        C.items.removeLast();
}

void FileComboWithDrives(ComboModel& C)
{
    QList<DriveInfo> drives = driveServices().drives();
    std::sort(drives.begin(), drives.end(),
              [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
    C.items.clear();
    for (const DriveInfo& d : drives)
        C.items.append(QString(d.letter.toUpper()) + QStringLiteral(":\\"));
}

} // namespace ksv
