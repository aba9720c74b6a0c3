#pragma once

#include <QString>
#include <QStringList>

namespace ksv {

// What the first command-line argument asks for. Only the first argument decides, and each
// form is tested on its own, even when an earlier one matched, so the flags are independent.
struct CommandLineDispatch
{
    QString argument;          // the first argument, as typed ("" when none)
    bool noArgument = false;   // no argument: the welcome view
    bool restore = false;      // exactly "_REST_A" (case counts): the restore window
    bool allQueries = false;   // "TOUS" in any case: every numbered query
    bool numberedQuery = false; // a decimal number: that numbered query
    bool queryFile = false;    // contains ".KSV" in any case: that query file

    // The argument matches none of the forms (and is not absent).
    bool matchesNothing() const { return !noArgument && !restore && !allQueries && !numberedQuery && !queryFile; }

    // arguments: the command line without the program name.
    static CommandLineDispatch decide(const QStringList& arguments);
};

} // namespace ksv
