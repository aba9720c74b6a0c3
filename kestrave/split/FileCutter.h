#pragma once

#include "CutRules.h"
#include "CutRunState.h"
#include "RunnerContext.h"

#include <QString>

#include <functional>

namespace ksv {

class TBackupFile;

// The cut of the cutting window (Decouper) without widgets: size rules, disk prompts, erasing
// a full floppy, the restore program on the first disk, the engine run and its log lines.
// Questions go through the dialogs service. The window owns the engine and the run state.
class FileCutter
{
public:
    // The controls' values at the moment of the cut.
    struct Request
    {
        QString source;      // EdSourceFile
        QString destination; // ComboDestCut
        int sizeItem = CutRules::FloppyItem;
        QString freeSizeText; // edtFreeSize
        bool copySetup = true; // CBSetup
    };
    enum class Outcome {
        NotStarted, // stopped without a word: empty size field, go-ahead flag clear, no destination
        Refused,    // "Split unuseful or file does not exist !" was shown
        Succeeded,
        Failed,     // engine error, stop or cancel; logged and in the error list
    };

    // Installs the engine's OnNeedDisk handler.
    FileCutter(TBackupFile& engine, CutRunState& state, const RunnerContext& context);

    // The window caption during and after the cut.
    void setCaptionHandler(std::function<void(const QString&)> handler) { m_caption = std::move(handler); }

    Outcome Decouper(const Request& request);

    // The engine's OnNeedDisk: the disk prompt for piece n >= 2.
    void needDisk(quint16 piece, bool& Continue);

    // The restore program to copy onto the first disk: "SETUP.EXE" in the program folder,
    // else beside the executables. Empty when there is none.
    QString setupProgramPath() const;

private:
    // Asks for a disk with room for one piece until there is one or the user cancels.
    // piece 1 is the first disk (no tag, no log line). Returns the answer (true: go on).
    bool diskPrompt(int piece);
    void EffaceDsk144();
    void setCaption(const QString& text);

    TBackupFile& m_engine;
    CutRunState& m_state;
    const RunnerContext& m_context;
    Request m_request;
    std::function<void(const QString&)> m_caption;
    bool m_promptCancelled = false; // a disk prompt of this cut was cancelled
};

} // namespace ksv
