// Byte lanes: an 8-bit chip on a 16- or 32-bit bus holds every second (or
// fourth) byte of the board's image. Lane K of N is the bytes at addresses
// K, K + N, K + 2N, ...; byte i of the chip is byte i * N + K of the image.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace ByteLanes {

struct Lane {
    int index = 0;
    int count = 1;  // 1: all bytes
    bool all() const { return count <= 1; }
};

// "K/N" with N 2 or 4 and K from 0 to N - 1; nothing for anything else.
std::optional<Lane> Parse(const QString& text);
// "K/N".
QString Text(Lane lane);

// The bytes of `lane` in the image `wide`, in order.
QByteArray Take(QByteArrayView wide, Lane lane);
// Byte i of `narrow` into byte i * N + K of `wide`, the other lanes as they
// were; a shorter `wide` is first grown with 0xFF to hold them.
void Put(QByteArray& wide, QByteArrayView narrow, Lane lane);
// The `count` lanes of `wide`: lane K is Take(wide, {K, count}).
QList<QByteArray> Split(QByteArrayView wide, int count);
// The lanes interleaved, lane K at K, K + N, ...; the image ends at the last
// byte any lane holds, and a lane shorter than others leaves 0xFF before it.
QByteArray Merge(const QList<QByteArray>& lanes);

}  // namespace ByteLanes
