// The Auto sequence file auto.cfg: a step count, then one step code per step.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace modFunc {

// The label of an Auto step code ("Read", "Erase", ...), empty outside
// Step::Read to Step::Lock.
QString AutoLabel(int code);
// The step code of a label, -1 when the label is none of them.
int AutoCodeOf(const QString& label);

// Reads auto.cfg from AppPath into AutoCount and AutoList. A missing file
// gives an empty sequence; returns the problems.
QStringList LoadAuto();
// Same from text in memory; returns the problem text, empty when fine.
QString ParseAuto(const QByteArray& text);

// The file text for the current sequence.
QByteArray AutoFileText();
// Writes auto.cfg; on failure returns false and sets *error.
bool SaveAuto(QString* error = nullptr);

}  // namespace modFunc
