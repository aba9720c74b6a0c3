#pragma once

#include <QString>

namespace ksv {

// Appends lines to the file named by KESTRAVE_TRANSCRIPT, flushed at once:
//   ask|<kind>|<buttons joined by +>|<text, CR written \r and LF \n>|<answer>
//   act|<action>|<details>
// Without the variable nothing is written.
namespace Transcript {

void recordQuestion(const QString& kind, const QString& buttons, const QString& text, const QString& answer);
void recordAction(const QString& action, const QString& details);
// The text with CR written as \r and LF as \n (and "|" left as it is).
QString escape(const QString& text);

} // namespace Transcript

} // namespace ksv
