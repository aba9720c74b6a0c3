#pragma once

#include <QString>

#include <functional>

namespace ksv {

// What the cutting and restore windows need from the main window: the settings file, the
// program folder, the log, the error list and the program launcher. The main window fills one
// and hands it to each window it opens; tests fill their own.
struct RunnerContext
{
    // The settings file ("kestrave.ini" in the program folder), DOS or native path.
    QString settingsFile;
    // The program folder (DOS or native), where "SETUP.EXE" is looked for first; the folder of
    // the executables is looked in next.
    QString programFolder;
    // The program was started with command-line arguments (a run, not the welcome view).
    bool startedWithArguments = false;

    // One line for the main window's log (memolog and the log file).
    std::function<void(const QString& line)> appendLog;
    // One line for the main window's error list (ListBox1).
    std::function<void(const QString& line)> addErrorLine;
    // Starts a file as a program in a normal window, without waiting. When empty, the
    // package launcher does it.
    std::function<void(const QString& path)> startProgram;

    void log(const QString& line) const
    {
        if (appendLog)
            appendLog(line);
    }
    void error(const QString& line) const
    {
        if (addErrorLine)
            addErrorLine(line);
    }
};

} // namespace ksv
