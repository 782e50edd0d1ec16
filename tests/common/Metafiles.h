#pragma once
// Tiny hand-made metafiles for tests: a red rectangle at (10,10)-(60,40)
// on a picture 100 units wide and 50 high.

#include <QByteArray>
#include <QtEndian>
#include <initializer_list>

namespace metafiles {

inline void put16(QByteArray &b, std::initializer_list<int> words)
{
    for (int w : words) {
        b.append(char(w & 0xff));
        b.append(char((w >> 8) & 0xff));
    }
}

inline void put32(QByteArray &b, std::initializer_list<qint64> words)
{
    for (qint64 w : words)
        for (int i = 0; i < 4; ++i)
            b.append(char((w >> (8 * i)) & 0xff));
}

// As RTF holds it: no placeable header. window: its extent.
inline QByteArray wmf(int window = 100)
{
    QByteArray b;
    put16(b, {1, 9, 0x0300});
    put32(b, {40});     // words in all
    put16(b, {1});      // objects
    put32(b, {7});      // longest record
    put16(b, {0});
    put32(b, {5}); put16(b, {0x020B, 0, 0});               // window origin
    put32(b, {5}); put16(b, {0x020C, window / 2, window}); // window extent: y, x
    put32(b, {7}); put16(b, {0x02FC, 0, 0x00FF, 0x0000, 0}); // solid red brush
    put32(b, {4}); put16(b, {0x012D, 0});                  // selected
    put32(b, {7}); put16(b, {0x041B, 40, 60, 10, 10});     // rectangle: bottom, right, top, left
    put32(b, {3}); put16(b, {0});                          // end
    return b;
}

inline QByteArray emf()
{
    QByteArray b;
    put32(b, {1, 88, 0, 0, 99, 49, 0, 0, 2645, 1322, 0x464D4520, 0x10000, 88 + 24 + 12 + 24 + 20, 5});
    put16(b, {2, 0});
    put32(b, {0, 0, 0, 1024, 768, 320, 240});
    put32(b, {39, 24, 1, 0, 0x0000FF, 0});  // solid red brush as object 1
    put32(b, {37, 12, 1});                  // selected
    put32(b, {43, 24, 10, 10, 60, 40});     // rectangle
    put32(b, {14, 20, 0, 16, 20});          // end
    return b;
}

} // namespace metafiles
