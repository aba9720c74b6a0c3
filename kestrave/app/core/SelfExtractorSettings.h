#pragma once

#include "Query.h"
#include "SfxFormat.h"

#include <QString>

namespace ksv {

// The self-extractor settings a query gives its archive.
namespace SelfExtractorSettings {

// The command line the self-extractor runs after extraction. When the data folder occurs in
// the command, "><" (the extraction folder at run time) replaces what lies before the files:
// with path names stored, the command without its drive part ("C:\"); without, the part right
// of the data folder. Otherwise the command, upper-cased.
QString BuildSfxCommandLine(const QString& command, const QString& dataFolder, bool storePaths);

// Caption: stitre right-trimmed, the default caption when that leaves nothing.
QString caption(const QString& stitre);

// The start message: empty unless msgsfx; character 1 in front for kind 2 (OK and Cancel),
// character 2 for kind 3 (Yes and No), nothing for kind 1.
QString message(bool msgsfx, int kind, const QString& text);

// Everything the self-extractor gets from a query (icon excluded).
SfxSettings forQuery(const Query& query, const QString& dataFolder);

} // namespace SelfExtractorSettings

} // namespace ksv
