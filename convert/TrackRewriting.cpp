// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrackRewriting.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>

namespace OutputTracks {

bool IsLanguageCode(const QString &code)
{
    return code.size() == 3 && std::all_of(code.cbegin(), code.cend(), [](QChar c) {
               return c >= u'a' && c <= u'z';
           });
}

QList<qsizetype> ByRank(QList<qsizetype> indices, const QList<TrackPlan> &plan)
{
    std::stable_sort(indices.begin(), indices.end(),
                     [&](qsizetype a, qsizetype b) { return plan[a].rank < plan[b].rank; });
    return indices;
}

bool WritePatches(QIODevice &file, qsizetype count,
                  const std::function<std::pair<qint64, QByteArrayView>(qsizetype)> &patch)
{
    constexpr qint64 SpanBytes = 1024 * 1024;
    qsizetype first = 0;
    while (first < count) {
        const auto [begin, firstBytes] = patch(first);
        qint64 end = begin + firstBytes.size();
        qsizetype last = first + 1;
        for (; last < count; ++last) {
            const auto [at, bytes] = patch(last);
            if (at < end || at + bytes.size() - begin > SpanBytes)
                break;
            end = at + bytes.size();
        }
        if (!file.seek(begin))
            return false;
        QByteArray span = file.read(end - begin);
        if (span.size() != end - begin)
            return false;
        for (qsizetype i = first; i < last; ++i) {
            const auto [at, bytes] = patch(i);
            std::memcpy(span.data() + (at - begin), bytes.data(), bytes.size());
        }
        if (!file.seek(begin) || file.write(span) != span.size())
            return false;
        first = last;
    }
    return true;
}

}   // namespace OutputTracks
