#pragma once

#include "Query.h"

#include <QString>

namespace ksv {

// The query being run: its options and the values the loaders work out. The window mirrors
// the Boolean options into its hidden check boxes.
struct CurrentQuery
{
    Query options;
    QString section;       // numbered query: the section name as typed
    QString label;         // numbered query: data folder + filter; query file: "Query file = " + name
    QString dataFolder;    // numbered query: `data` with a trailing backslash
    QString exclusionText; // numbered query: `exclu`
    QString comment;       // numbered query: `note` (also the hint of the data-path caption)
    bool fromQueryFile = false;
    // Query file only.
    QString queryFilePath; // DOS form
    QString appName;       // [application] NameExeKsv
    QString appFolder;     // [application] PatchExeKsv
    QString toRun;         // [RunBeforeAdd] ToRun
    QString toDel;         // [RunBeforeDel] ToDel, read and not used
};

} // namespace ksv
