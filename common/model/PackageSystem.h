#pragma once

#include <QString>

// System routines of the run-time package; they go through the platform layer, so the
// simulated platform answers them in tests.
namespace ksv {

// One line on memory, from /proc/meminfo:
// "Memory : 5.1 GB available of 7.8 GB (35% in use)."; "Memory : unknown." when unreadable.
QString GetMemoryDetails();
// One line on the system: "System : <OS name>, kernel <version>, <arch>, <n> processor(s), " +
// the memory report without its "Memory : " prefix.
QString GetSysPhysDetails();
// True while a Ctrl key is held.
bool TestCTRL_LR();
// Medium in a drive ("A", "A:" or "A:\"): 0 no medium (or unknown drive), 3 a writable medium,
// 1 a medium that refuses writes.
int CheckForDisk(const QString& Drive);
// Volume label of the drive of root R ("A:\"), "" when there is none or no medium.
QString GetVolInfo(const QString& R);
// Plays a sound file: a bare name is looked up among the program's assets, a DOS or native
// path is used as it is. The platform stays silent when the file or a player is missing.
void Son(const QString& Wav);

} // namespace ksv
