#pragma once

#include <QString>

// String routines of the run-time package. None of them looks at the file system.
namespace ksv {

// Text left of the first Sep; the whole of S when Sep does not occur.
QString gauche(const QString& Sep, const QString& S);
// Text right of the first Sep; empty when Sep does not occur.
QString droite(const QString& Sep, const QString& S);
// Text right of the last Sep; the whole of S when Sep does not occur.
QString DroiteDroite(const QString& Sep, const QString& S);
// Field N (counted from 1) of S cut at every Sep; empty when there is no such field.
// The two names are the same routine.
QString GaucheNDroite(const QString& Sep, const QString& S, int N);
QString Extraire_des_Separateurs(const QString& Sep, const QString& S, int N);
// Number of non-overlapping occurrences of X in S (case counts); 0 for an empty X.
int NbSousChaine(const QString& X, const QString& S);

// True only for a non-empty run of decimal digits (no sign, no blanks).
bool IsStringNumber(const QString& S);
// False for an empty name, or one holding / \ : * ? " < > | or a control character.
bool IsStringGoodForDirectory(const QString& S);

// Five characters "HH:MM": the hour at 1-2, ":" at 3, the minute at 4-5, each zero-padded and
// kept within 0..99.
QString ajoutheur(int H, int M);

} // namespace ksv
