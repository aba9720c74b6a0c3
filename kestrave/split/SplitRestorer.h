#pragma once

#include "RestoreRunState.h"
#include "RunnerContext.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace ksv {

class TBackupFile;

// The restoration of the restore window (Restaurer) without widgets: the search for first
// pieces, the next-disk prompt, the engine run, its log lines and the offer to start the
// restored file. Questions go through the dialogs service. The window owns the engine and the
// run state.
class SplitRestorer
{
public:
    enum class Outcome {
        NotStarted, // no first piece: the button does nothing
        Succeeded,
        Failed,
    };

    // Installs the engine's OnNeedDisk and OnRestoreFile handlers.
    SplitRestorer(TBackupFile& engine, RestoreRunState& state, const RunnerContext& context);

    void setCaptionHandler(std::function<void(const QString&)> handler) { m_caption = std::move(handler); }

    // The names (without folder) of the first pieces ("*.001" files, not folders) in the folder
    // (DOS or native), sorted by name without regard to case. Empty when the folder is missing.
    static QStringList RechSplit00X(const QString& folder);
    // The first piece chosen by folder and name: the folder with one trailing "\" + the name.
    static QString sourceOf(const QString& folder, const QString& name);

    // Restores the first piece state.source into state.destination. offerToRun: ask whether
    // to start the restored file after a success.
    Outcome Restaurer(bool offerToRun);

    // The engine's OnNeedDisk: a prompt on removable drives; on other drives only when the
    // piece is missing, so that the user can stop instead of waiting for it forever.
    void needDisk(quint16 piece, bool& Continue);

private:
    void setCaption(const QString& text);

    TBackupFile& m_engine;
    RestoreRunState& m_state;
    const RunnerContext& m_context;
    std::function<void(const QString&)> m_caption;
};

} // namespace ksv
