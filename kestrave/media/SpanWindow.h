#pragma once

#include "RunnerContext.h"

#include <QString>

#include <functional>

class QWidget;

namespace ksv {

// The window side of MediumCopyHost::spanFile: the cutting window TFormCut for an archive that
// does not fit its medium (and for the F7 key).
//
// Creates TFormCut with the runner's context and, when the program was started with an
// argument (context.startedWithArguments), puts sourceDos into its source field EdSourceFile
// (left alone when sourceDos is empty) and destinationDos into its destination combo
// ComboDestCut. Shows it modally over parent and returns the text of ComboDestCut after the
// window closed: the destination the run goes on with.
//
// When nobody is there to click (the process answers its questions from a script or
// unattended, see dialogsAreScripted()), the window does what the Yes answer asked for by
// itself: it cuts with what it was given, as a click on Cut would, and when it is still open
// afterwards (the cut was refused or failed) it closes as Cancel would. A run never waits on
// the window for a person who is not there.
enum class SpanWindowDriver { Person, Automatic, ByEnvironment };
QString showSpanWindow(const RunnerContext& context, const QString& sourceDos, const QString& destinationDos,
                       QWidget* parent = nullptr, SpanWindowDriver driver = SpanWindowDriver::ByEnvironment);

// The same, bound to a context and a parent, ready for MediumCopyHost::spanFile:
//   host.spanFile = spanWindowCallback(context, this);
// The context is copied when the callback is made.
std::function<QString(const QString& sourceDos, const QString& destinationDos)>
spanWindowCallback(const RunnerContext& context, QWidget* parent = nullptr);

} // namespace ksv
