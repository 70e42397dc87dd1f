// SPDX-License-Identifier: GPL-3.0-or-later
// Times the file list's bulk work on a queue of 10,000 files and checks it against its targets:
// queuing every file the way the add command does (search, then append) within 1 s, and moving
// half of the rows up or down within 0.5 s. Exits non-zero when a target is missed.
#include "filelist/CFileListBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <cstdio>
#include <functional>

namespace {

constexpr int kRows = 10000;

QStringList distinctPaths(int rows)
{
    QStringList paths;
    paths.reserve(rows);
    for (int i = 0; i < rows; ++i)
        paths.append(QStringLiteral("/home/user/Videos/holiday %1/clip-%2.avi")
                         .arg(i % 97)
                         .arg(i, 5, 10, QLatin1Char('0')));
    return paths;
}

// A visible list of the program's size, so that the view's own work is part of the time.
struct ShownList
{
    CFileListBox list;
    ShownList()
    {
        list.resize(367, 127);
        list.show();
        QApplication::processEvents();
    }
};

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    QApplication::processEvents();   // the delayed layout and repaint belong to the operation
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

int failures = 0;

void report(const char *what, double ms, double limitMs, bool correct)
{
    const bool pass = correct && (limitMs <= 0 || ms < limitMs);
    if (!pass)
        ++failures;
    if (limitMs > 0)
        std::printf("%-58s %9.1f ms  (limit %6.0f ms)  %s%s\n", what, ms, limitMs,
                    pass ? "PASS" : "FAIL", correct ? "" : " (wrong result)");
    else
        std::printf("%-58s %9.1f ms  (no limit)         %s\n", what, ms,
                    correct ? "ok" : "FAIL (wrong result)");
}

void selectRows(CFileListBox &list, const QList<int> &rows)
{
    list.SetSel(-1, false);
    for (int row : rows)
        list.SetSel(row, true);
}

QList<int> everyOtherRow()
{
    QList<int> rows;
    for (int row = 1; row < kRows; row += 2)
        rows.append(row);
    return rows;
}

QList<int> randomHalf()
{
    QList<int> rows;
    QRandomGenerator random(20240601);
    std::vector<int> all(kRows);
    for (int i = 0; i < kRows; ++i)
        all[static_cast<size_t>(i)] = i;
    std::shuffle(all.begin(), all.end(), random);
    for (int i = 0; i < kRows / 2; ++i)
        rows.append(all[static_cast<size_t>(i)]);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void benchMoves(const char *pattern, const QList<int> &rows, const QStringList &paths)
{
    char label[128];
    for (int step : {-1, +1}) {
        ShownList shown;
        CFileListBox &list = shown.list;
        list.AddPathsNotQueued(paths);
        selectRows(list, rows);
        const double ms = timeMs([&] {
            if (step < 0)
                list.MoveSelectionUp();
            else
                list.MoveSelectionDown();
        });
        // A selected row with an unselected neighbour on the side it moves to has moved one
        // place; every selected row stays selected.
        int probe = -1;
        for (int row : rows) {
            const int neighbour = row + step;
            if (neighbour >= 0 && neighbour < kRows && !rows.contains(neighbour)) {
                probe = row;
                if (step < 0)
                    break;
            }
        }
        const bool correct = probe >= 0 && list.GetCount() == kRows
                             && list.GetSelCount() == rows.size()
                             && list.GetText(probe + step) == paths.at(probe);
        std::snprintf(label, sizeof label, "MoveSelection%s, %lld of %d rows selected (%s)",
                      step < 0 ? "Up" : "Down", static_cast<long long>(rows.size()), kRows,
                      pattern);
        report(label, ms, 500, correct);
    }
}

}   // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList paths = distinctPaths(kRows);

    {
        ShownList shown;
        CFileListBox &list = shown.list;
        const double ms = timeMs([&] {
            for (const QString &path : paths) {
                if (list.FindStringExact(-1, path) == -1)
                    list.AddString(path);
            }
        });
        report("queue 10000 paths: FindStringExact + AddString each", ms, 1000,
               list.GetCount() == kRows && list.GetText(kRows - 1) == paths.last());

        const double again = timeMs([&] {
            for (const QString &path : paths) {
                if (list.FindStringExact(-1, path) == -1)
                    list.AddString(path);
            }
        });
        report("the same 10000 paths again (all found, none added)", again, 0,
               list.GetCount() == kRows);
    }
    {
        ShownList shown;
        const double ms = timeMs([&] { shown.list.AddPathsNotQueued(paths); });
        report("queue 10000 paths: AddPathsNotQueued", ms, 0, shown.list.GetCount() == kRows);
    }

    benchMoves("every other row", everyOtherRow(), paths);
    benchMoves("random half", randomHalf(), paths);

    {
        ShownList shown;
        shown.list.AddPathsNotQueued(paths);
        selectRows(shown.list, everyOtherRow());
        const double ms = timeMs([&] { shown.list.RemoveSelection(); });
        report("RemoveSelection, every other row of 10000", ms, 0,
               shown.list.GetCount() == kRows / 2 && shown.list.GetSelCount() == 0);
    }

    std::printf("%s\n", failures == 0 ? "ALL PASS" : "SOME FAILED");
    return failures == 0 ? 0 : 1;
}
